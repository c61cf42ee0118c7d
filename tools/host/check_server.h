// `quorvane-host check-server`: the plugin's own code, run in this process, walks the
// protocol against the server the build names and reports one row per check.
#ifndef QUORVANE_HOST_CHECK_SERVER_H
#define QUORVANE_HOST_CHECK_SERVER_H

#include <filesystem>
#include <iosfwd>

#include "check_rows.h"

namespace qir::host {

// Runs every check with key.txt and the ranking cache beside plugin. 0 when no check
// failed, 1 when one did, 2 (with a message on err) when key.txt holds no key.
int RunCheckServer(const std::filesystem::path& plugin, const CheckOptions& options, bool json,
                   std::ostream& out, std::ostream& err);

}  // namespace qir::host

#endif
