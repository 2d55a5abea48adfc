#include "tests/kit/pg/pg_server.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tessimor::testing {
namespace {

TEST(PgServer, ServesOnlyItsSocketToItsPasswordCheckedSuperuser) {
  PgServer server;
  EXPECT_EQ(server.Sql("SELECT current_user, current_database()"), "tessimor|line");
  EXPECT_EQ(server.Sql("SHOW listen_addresses"), "");
  EXPECT_TRUE(std::filesystem::is_socket(server.SocketDir() + "/.s.PGSQL.5432"));
  EXPECT_EQ(server.Sql("SELECT DISTINCT auth_method FROM pg_hba_file_rules"), "scram-sha-256");
}

}  // namespace
}  // namespace tessimor::testing
