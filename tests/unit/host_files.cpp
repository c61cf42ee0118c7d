#include "host_files.h"

#include <gtest/gtest.h>

#include <fstream>

namespace qir::testing {

const std::string HostFolder::kScoreTable =
    "CREATE TABLE score (hash TEXT, clear INTEGER, perfect INTEGER, great INTEGER, "
    "good INTEGER, bad INTEGER, poor INTEGER, totalnotes INTEGER, maxcombo INTEGER, "
    "minbp INTEGER, playcount INTEGER, clearcount INTEGER, failcount INTEGER, rank INTEGER, "
    "rate INTEGER, clear_db INTEGER, clear_sd INTEGER, clear_ex INTEGER, op_best INTEGER, "
    "rseed INTEGER, ghost TEXT)";

HostFolder::HostFolder(const std::filesystem::path& root) : root_(root) {
  std::filesystem::create_directories(root_ / "LR2files" / "Config");
  std::filesystem::create_directories(root_ / "LR2files" / "Database" / "Score");
  previous_cwd_ = std::filesystem::current_path();
  std::filesystem::current_path(root_);
}

HostFolder::~HostFolder() { std::filesystem::current_path(previous_cwd_); }

void HostFolder::WriteConfig(const std::string& text) const {
  std::ofstream(root_ / "LR2files" / "Config" / "config.xml", std::ios::binary) << text;
}

void HostFolder::WriteConfigWithId(const std::string& id) const {
  WriteConfig("<?xml version=\"1.0\"?>\r\n<config>\r\n<player>\r\n<name>tester</name>\r\n<id>" +
              id + "</id>\r\n</player>\r\n</config>\r\n");
}

void HostFolder::Exec(const std::string& id, const std::string& sql) const {
  sqlite3* db = nullptr;
  const std::string path = (root_ / ScoreDatabasePath(id)).string();
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  char* error = nullptr;
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
  EXPECT_EQ(rc, SQLITE_OK) << (error != nullptr ? error : "") << " in " << sql;
  sqlite3_free(error);
  sqlite3_close(db);
}

std::filesystem::path HostFolder::CreateDatabase(const std::string& id,
                                                 const std::string& extra_sql,
                                                 const std::string& table_sql) const {
  Exec(id, table_sql);
  if (!extra_sql.empty()) Exec(id, extra_sql);
  return root_ / ScoreDatabasePath(id);
}

void HostFolder::InsertRow(const std::string& id, const std::string& hash,
                           const PreviousBest& r) const {
  sqlite3* db = nullptr;
  const std::string path = (root_ / ScoreDatabasePath(id)).string();
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  sqlite3_stmt* st = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db,
                               "INSERT INTO score VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
                               -1, &st, nullptr),
            SQLITE_OK);
  sqlite3_bind_text(st, 1, hash.c_str(), -1, SQLITE_TRANSIENT);
  const std::int32_t values[] = {r.clear,      r.perfect,   r.great,    r.good,     r.bad,
                                 r.poor,       r.totalnotes, r.maxcombo, r.minbp,    r.playcount,
                                 r.clearcount, r.failcount, r.rank,     r.rate,     r.clear_db,
                                 r.clear_sd,   r.clear_ex,  r.op_best,  r.rseed};
  int index = 2;
  for (const std::int32_t v : values) sqlite3_bind_int(st, index++, v);
  if (r.ghost.empty()) {
    sqlite3_bind_null(st, index);
  } else {
    sqlite3_bind_text(st, index, r.ghost.c_str(), static_cast<int>(r.ghost.size()),
                      SQLITE_TRANSIENT);
  }
  EXPECT_EQ(sqlite3_step(st), SQLITE_DONE);
  sqlite3_finalize(st);
  sqlite3_close(db);
}

}  // namespace qir::testing
