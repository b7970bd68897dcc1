// Rows are inserted while the launcher, the web server and the database server are killed at
// random moments: every row the site reported as committed is there at the end, and a clean exit
// leaves nothing behind. Repeatable: the seed (QUINDLE_CHAOS_SEED) and the number of rounds
// (QUINDLE_CHAOS_ROUNDS) can be given; a failure names the seed.

#include "tests/integration/PackageRun.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <random>
#include <set>
#include <sstream>
#include <thread>

using namespace quindle;
using namespace quindle::test;

namespace {

// Says "committed" only once the insert has been committed; lists every key on request.
const char* kRowsPage = R"php(<?php
mysqli_report(MYSQLI_REPORT_OFF);
$db = @new mysqli('127.0.0.1', 'root', '', 'quindle', (int) ini_get('mysqli.default_port'));
if ($db->connect_errno) { echo 'no database'; exit; }
$db->query('CREATE TABLE IF NOT EXISTS chaos (k INT PRIMARY KEY) ENGINE=InnoDB');
if (isset($_GET['add'])) {
    $k = (int) $_GET['add'];
    echo $db->query("INSERT INTO chaos (k) VALUES ($k)") ? 'committed' : 'failed';
    exit;
}
$keys = [];
foreach ($db->query('SELECT k FROM chaos') as $row) { $keys[] = $row['k']; }
echo 'keys ' . implode(' ', $keys);
)php";

int FromEnvironment(const char* Name, int Default) {
    const char* value = std::getenv(Name);
    return value && *value ? std::atoi(value) : Default;
}

// Inserts rows with rising keys into the run on Port until told to stop, and keeps the keys the
// site said were committed.
class Inserter {
public:
    Inserter(int Port, std::atomic<int>& NextKey, std::set<int>& Committed, std::mutex& Lock)
        : thread_([=, this, &NextKey, &Committed, &Lock] {
              while (!stop_) {
                  const int key = NextKey++;
                  if (HttpRequest(Port, "GET", "/chaos.php?add=" + std::to_string(key)).body ==
                      "committed") {
                      std::lock_guard<std::mutex> guard(Lock);
                      Committed.insert(key);
                  } else {
                      std::this_thread::sleep_for(std::chrono::milliseconds(50));
                  }
              }
          }) {}
    ~Inserter() {
        stop_ = true;
        thread_.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

std::set<int> KeysIn(const std::string& Page) {
    std::set<int> keys;
    std::istringstream in(Page);
    std::string word;
    in >> word; // "keys"
    for (int k; in >> k;)
        keys.insert(k);
    return keys;
}

} // namespace

TEST(Chaos, RandomKillsWhileRowsAreInsertedLoseNoCommittedRow) {
    const int seed = FromEnvironment("QUINDLE_CHAOS_SEED", 20261209);
    const int rounds = FromEnvironment("QUINDLE_CHAOS_ROUNDS", 5);
    SCOPED_TRACE("QUINDLE_CHAOS_SEED=" + std::to_string(seed));
    std::mt19937 random{std::uint32_t(seed)};
    auto between = [&](int Low, int High) {
        return std::uniform_int_distribution<int>(Low, High)(random);
    };

    PackageCopy package;
    WriteFile(package.Path("www/chaos.php"), kRowsPage);
    const std::string apache = package.Path("bin/Apache/Apache");
    const std::string mysqld = package.Path("bin/mysql/bin/mysqld");
    TempDir home;
    std::atomic<int> nextKey{1};
    std::set<int> committed;
    std::mutex lock;
    int serverKills = 0;

    for (int round = 0; round < rounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        PackageRun run(package, home / "user");
        ASSERT_NE(run.StartAndWaitForSite(), 0u) << run.Log();
        ASSERT_TRUE(run.WaitForDatabase()) << run.Log();
        {
            Inserter inserter(run.WebPort(), nextKey, committed, lock);
            // Up to two servers killed in this run (the watch starts each again), then the
            // launcher itself.
            for (int kill = between(0, 2); kill > 0; --kill) {
                std::this_thread::sleep_for(std::chrono::milliseconds(between(300, 2000)));
                if (between(0, 1) == 0) {
                    // The web server's parent: the one whose parent is the launcher.
                    for (auto pid : TKo::FindProcessesByPath(apache))
                        if (TKo::GetParentPid(pid) == run.MainPid())
                            TKo::KillProcess(pid);
                } else {
                    for (auto pid : TKo::FindProcessesByPath(mysqld))
                        TKo::KillProcess(pid);
                }
                ++serverKills;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(between(300, 2000)));
            run.Processes();
            TKo::KillProcess(run.MainPid());
            // The servers follow the launcher by themselves.
            EXPECT_TRUE(WaitUntil([&] { return run.Processes().empty(); }, 30000)) << run.Log();
        }
    }

    PackageRun last(package, home / "user");
    ASSERT_NE(last.StartAndWaitForSite(), 0u) << last.Log();
    ASSERT_TRUE(last.WaitForDatabase()) << last.Log();
    const std::set<int> present = KeysIn(HttpRequest(last.WebPort(), "GET", "/chaos.php").body);
    std::string missing;
    for (int key : committed)
        if (!present.count(key))
            missing += " " + std::to_string(key);
    EXPECT_TRUE(missing.empty()) << "committed but lost:" << missing;
    EXPECT_GT(committed.size(), std::size_t(rounds)) << "hardly any row was inserted";
    std::printf("chaos: %d rounds, %d servers killed, %zu rows committed, all present\n", rounds,
                serverKills, committed.size());
    EXPECT_TRUE(last.ShutDownAndWait()) << last.Log();
}
