// The host's own files as the host keeps them: a configuration file and a score
// database made with SQLite, in a scratch working directory.
#ifndef QUORVANE_TESTS_HOST_FILES_H
#define QUORVANE_TESTS_HOST_FILES_H

#include <sqlite3.h>

#include <filesystem>
#include <string>

#include "host/score_database.h"

namespace qir::testing {

class HostFolder {
 public:
  // Makes root/LR2files/... and enters root as the current directory.
  explicit HostFolder(const std::filesystem::path& root);
  ~HostFolder();

  void WriteConfig(const std::string& text) const;
  void WriteConfigWithId(const std::string& id) const;
  // Creates the database with the table "score" (and the given SQL run after it).
  std::filesystem::path CreateDatabase(const std::string& id, const std::string& extra_sql = {},
                                       const std::string& table_sql = kScoreTable) const;
  void InsertRow(const std::string& id, const std::string& hash, const PreviousBest& row) const;
  void Exec(const std::string& id, const std::string& sql) const;

  static const std::string kScoreTable;

 private:
  std::filesystem::path root_;
  std::filesystem::path previous_cwd_;
};

}  // namespace qir::testing

#endif
