#include "tests/kit/pg/pg_server.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

namespace tessimor::testing {
namespace {

TEST(PgServer, ServesOnlyItsSocketToItsPasswordCheckedSuperuser) {
  PgServer server;
  EXPECT_EQ(server.Sql("SELECT current_user, current_database()"), "tessimor|line");
  EXPECT_EQ(server.Sql("SHOW listen_addresses"), "");
  EXPECT_TRUE(std::filesystem::is_socket(server.SocketDir() + "/.s.PGSQL.5432"));
  EXPECT_EQ(server.Sql("SELECT DISTINCT auth_method FROM pg_hba_file_rules"), "scram-sha-256");
}

TEST(PgServer, KeepsItsDataAcrossAStopAndRefusesWhileStopped) {
  PgServer server;
  server.Sql("CREATE TABLE parts (serial integer, verdict text)");
  server.Sql("INSERT INTO parts VALUES (100001, 'FAIL'), (100000, 'PASS')");
  EXPECT_EQ(server.Sql("SELECT serial, verdict FROM parts ORDER BY serial"),
            "100000|PASS\n100001|FAIL");

  server.Stop();
  EXPECT_THROW(server.Sql("SELECT 1"), std::runtime_error);
  server.Start();
  EXPECT_EQ(server.Sql("SELECT count(*) FROM parts"), "2");
}

}  // namespace
}  // namespace tessimor::testing
