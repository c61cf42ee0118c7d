#include "host/score_database.h"

#include <sqlite3.h>

#include "diag/log.h"
#include "host/player_id.h"

namespace qir {
namespace {

void ReadRow(sqlite3_stmt* statement, PreviousBest& best) {
  std::int32_t* const columns[] = {
      &best.clear,      &best.perfect,    &best.great,    &best.good,     &best.bad,
      &best.poor,       &best.totalnotes, &best.maxcombo, &best.minbp,    &best.playcount,
      &best.clearcount, &best.failcount,  &best.rank,     &best.rate,     &best.clear_db,
      &best.clear_sd,   &best.clear_ex,   &best.op_best,  &best.rseed,
  };
  int index = 0;
  for (std::int32_t* column : columns) *column = sqlite3_column_int(statement, index++);
  if (sqlite3_column_type(statement, index) != SQLITE_NULL) {
    const unsigned char* text = sqlite3_column_text(statement, index);
    const int bytes = sqlite3_column_bytes(statement, index);
    if (text != nullptr && bytes > 0) {
      best.ghost.assign(reinterpret_cast<const char*>(text), static_cast<std::size_t>(bytes));
    }
  }
}

}  // namespace

std::filesystem::path ScoreDatabasePath(const std::string& player_id) {
  return std::filesystem::path("LR2files") / "Database" / "Score" / (player_id + ".db");
}

bool QueryPreviousBest(const IRPlayResult& play, PreviousBest& best) {
  const std::string player_id = ReadPlayerId();
  const std::string hash8 = Hash8(play.hash);
  if (player_id.empty() || play.hash.empty()) {
    Log("WARN", "db_query", "result=no_path hash8=" + hash8);
    return false;
  }

  const std::string path = ScoreDatabasePath(player_id).string();
  sqlite3* db = nullptr;
  const int opened = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  if (opened != SQLITE_OK) {
    const char* message = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(opened);
    Log("WARN", "db_query",
        std::string("result=open_fail sqlite=") + (message != nullptr ? message : "unknown"));
    if (db != nullptr) sqlite3_close(db);
    return false;
  }

  bool found = false;
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, kPreviousBestQuery, -1, &statement, nullptr) != SQLITE_OK) {
    const char* message = sqlite3_errmsg(db);
    Log("WARN", "db_query",
        std::string("result=prepare_fail sqlite=") + (message != nullptr ? message : "unknown") +
            " hash8=" + hash8);
  } else {
    sqlite3_bind_text(statement, 1, play.hash.c_str(), -1, SQLITE_TRANSIENT);
    if (sqlite3_step(statement) == SQLITE_ROW) {
      ReadRow(statement, best);
      found = true;
    }
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
  Log("INFO", "db_query", std::string("result=") + (found ? "ok" : "no_row") + " hash8=" + hash8);
  return found;
}

}  // namespace qir
