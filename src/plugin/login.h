#ifndef QUORVANE_PLUGIN_LOGIN_H
#define QUORVANE_PLUGIN_LOGIN_H

#include <string>
#include <string_view>

#include "net/http_status.h"

namespace qir {

// Asks the IR server whether the API key is accepted. The first call in a process
// restarts the log.
bool Login();

// One attempt: Ok when the server answered 2xx with "logged_in": true.
HttpStatus LoginAttempt(const std::string& api_key);

// Whether a login reply body says the user is logged in.
bool LoginReplySaysLoggedIn(std::string_view body);

}  // namespace qir

#endif
