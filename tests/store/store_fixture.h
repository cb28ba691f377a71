// One history store per test on either database: an SQLite file in a temporary folder, or a
// fresh database on the PostgreSQL server that the test program starts once.
#pragma once

#include <gtest/gtest.h>

#include <QSqlDatabase>
#include <QSqlQuery>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "store/history_location.h"
#include "store/history_store.h"
#include "support/pg_server.h"

namespace vorel::test {

enum class Backend { SQLite, PostgreSQL };

inline std::string BackendName(const ::testing::TestParamInfo<Backend>& info) {
  return info.param == Backend::SQLite ? "SQLite" : "PostgreSQL";
}

// The one server of the test program, started at its first use.
inline PostgresServer& SharedPostgres() {
  static PostgresServer server;
  return server;
}

class StoreTest : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    if (GetParam() == Backend::PostgreSQL) {
      if (!SharedPostgres().Available())
        GTEST_SKIP() << "PostgreSQL server programs not found in " << kPostgresBin;
      static std::atomic<int> count{0};
      const std::string name = "history" + std::to_string(count.fetch_add(1));
      ASSERT_TRUE(SharedPostgres().CreateDatabase(name));
      location_ = *ParseHistoryLocation(SharedPostgres().Url(name), nullptr);
    } else {
      location_.file = dir_.path() / "history.sqlite";
    }
  }

  // A second location of the same kind (an export target, an import source).
  HistoryLocation OtherLocation(const std::string& name) {
    if (GetParam() == Backend::SQLite) {
      HistoryLocation other;
      other.file = dir_.path() / (name + ".sqlite");
      return other;
    }
    EXPECT_TRUE(SharedPostgres().CreateDatabase(name + std::to_string(::getpid())));
    return *ParseHistoryLocation(SharedPostgres().Url(name + std::to_string(::getpid())), nullptr);
  }

  // Runs the ";"-ended statements of a file on the location, before the store opens it.
  void RunSqlFile(const std::filesystem::path& path) {
    const std::string connection = "fixture";
    {
      QSqlDatabase db = QSqlDatabase::addDatabase(
          GetParam() == Backend::SQLite ? "QSQLITE" : "QPSQL", QString::fromStdString(connection));
      if (GetParam() == Backend::SQLite) {
        db.setDatabaseName(QString::fromStdString(location_.file.string()));
      } else {
        db.setHostName("127.0.0.1");
        db.setPort(location_.port);
        db.setUserName("vorel");
        db.setDatabaseName(QString::fromStdString(location_.database));
      }
      ASSERT_TRUE(db.open());
      std::ifstream in(path);
      std::stringstream text;
      text << in.rdbuf();
      std::string statement;
      for (std::string line; std::getline(text, line);) {
        if (line.starts_with("--")) continue;
        statement += line + "\n";
        if (line.ends_with(";")) {
          QSqlQuery query(db);
          ASSERT_TRUE(query.exec(QString::fromStdString(statement))) << statement;
          statement.clear();
        }
      }
      db.close();
    }
    QSqlDatabase::removeDatabase(QString::fromStdString(connection));
  }

  UserDir dir_;
  HistoryLocation location_;
};

}  // namespace vorel::test
