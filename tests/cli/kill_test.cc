// folian-cli killed (SIGKILL) at random moments while it tidies 200 files,
// merges a folder or saves the settings: afterwards every file holds either
// its old bytes or its complete new bytes, the next run over the folder
// leaves no temporary behind, and the settings file always parses.
//
// FOLIAN_KILL_ITERATIONS sets the number of kills per test (a few by
// default, for ./test.sh; thousands for a long run), FOLIAN_KILL_SEED the
// random seed (printed, so a failure can be replayed).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app/options_store.h"
#include "charset/codepage.h"
#include "support/child_process.h"
#include "support/temp_dir.h"
#include "text/stale_temporaries.h"

namespace {

namespace fs = std::filesystem;
using folian::testing::EnvVar;
using folian::testing::ReadBytes;
using folian::testing::RunCli;
using folian::testing::SpawnCli;
using folian::testing::TempDir;
using folian::testing::WaitChild;
using folian::testing::WriteBytes;
using Clock = std::chrono::steady_clock;

int Iterations() {
  const char* v = std::getenv("FOLIAN_KILL_ITERATIONS");
  const int n = v != nullptr ? std::atoi(v) : 0;
  return n > 0 ? n : 4;
}

std::mt19937_64& Rng() {
  static std::mt19937_64 rng = [] {
    const char* v = std::getenv("FOLIAN_KILL_SEED");
    const unsigned long long seed = v != nullptr ? std::strtoull(v, nullptr, 10) : std::random_device{}();
    std::printf("kill test seed: FOLIAN_KILL_SEED=%llu\n", seed);
    return std::mt19937_64(seed);
  }();
  return rng;
}

std::map<std::string, std::string> Files(const fs::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::directory_iterator(dir))
    files[e.path().filename().string()] = ReadBytes(e.path());
  return files;
}

int Temporaries(const fs::path& dir) {
  int n = 0;
  for (const auto& e : fs::directory_iterator(dir))
    n += folian::text::TemporaryOwner(e.path().filename().string()) != 0 ? 1 : 0;
  return n;
}

// A hard-wrapped GBK novel with half-width digits and ragged indentation:
// every file is changed by a tidy.
std::string Novel(int index, int lines) {
  static const char* kPhrases[] = {"他抬头看了一眼天色，", "远处的山峰隐在云里，", "第12章 风起",
                                   "  她笑道：“明天再说吧。”", "城门口的守卫换了3拨，"};
  std::string utf8;
  for (int i = 0; i < lines; ++i) {
    utf8 += (i % 7 == 0 ? "    " : "");
    utf8 += kPhrases[(i + index) % 5];
    utf8 += std::to_string(i * 31 + index);
    utf8 += kPhrases[(i * 3 + index) % 5];
    utf8 += "\r\n";
  }
  return folian::charset::Utf8ToGbk(utf8);
}

// Kills `pid` after a delay drawn from [0, limit); the callers take most of a
// measured whole run, so nearly every kill lands while files are written.
int KillAfter(pid_t pid, Clock::duration limit) {
  const auto us = std::chrono::duration_cast<std::chrono::microseconds>(limit).count();
  std::uniform_int_distribution<long long> pick(0, std::max<long long>(us, 1) - 1);
  std::this_thread::sleep_for(std::chrono::microseconds(pick(Rng())));
  ::kill(pid, SIGKILL);
  return WaitChild(pid);
}

class KillTest : public ::testing::Test {
 protected:
  TempDir dir_;
  EnvVar config_{"FOLIAN_CONFIG_HOME", (dir_.path() / "config").c_str()};
};

TEST_F(KillTest, TidyOfTwoHundredFilesKeepsEveryFileWhole) {
  const fs::path orig = dir_ / "orig", once = dir_ / "once", twice = dir_ / "twice", work = dir_ / "work";
  fs::create_directory(orig);
  for (int i = 0; i < 200; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "book%03d.txt", i);
    WriteBytes(orig / name, Novel(i, 60 + i % 40));
  }
  const auto old_files = Files(orig);
  // The complete results: one tidy of the old bytes, and one of the new bytes
  // (what the next run does to a file the killed run had finished).
  fs::copy(orig, once);
  const auto start = Clock::now();
  ASSERT_EQ(RunCli({"tidy", "-j", "2", once.string()}), 0);
  const Clock::duration full_run = Clock::now() - start;
  fs::copy(once, twice);
  ASSERT_EQ(RunCli({"tidy", "-j", "2", twice.string()}), 0);
  const auto new_files = Files(once), next_files = Files(twice);
  ASSERT_EQ(new_files.size(), 200u);
  for (const auto& [name, bytes] : old_files) ASSERT_NE(new_files.at(name), bytes) << name;

  int kills = 0, cut_mid_run = 0, temporaries_seen = 0, files_lost = 0;
  for (int it = 0; it < Iterations(); ++it) {
    fs::remove_all(work);
    fs::copy(orig, work);
    const pid_t pid = SpawnCli({"tidy", "-j", "2", work.string()});
    ASSERT_GT(pid, 0);
    const int code = KillAfter(pid, full_run * 4 / 5);
    kills += code == -SIGKILL ? 1 : 0;
    temporaries_seen += Temporaries(work);
    int done = 0;
    for (const auto& [name, bytes] : Files(work)) {
      if (folian::text::TemporaryOwner(name) != 0) continue;
      const bool is_old = old_files.count(name) != 0 && bytes == old_files.at(name);
      const bool is_new = new_files.count(name) != 0 && bytes == new_files.at(name);
      EXPECT_TRUE(is_old || is_new) << name << " is neither its old nor its new bytes, kill " << it;
      done += is_new ? 1 : 0;
    }
    for (const auto& [name, bytes] : old_files) {
      if (!fs::exists(work / name)) {
        ++files_lost;
        ADD_FAILURE() << name << " vanished, kill " << it;
      }
    }
    cut_mid_run += done > 0 && done < 200 ? 1 : 0;

    ASSERT_EQ(RunCli({"tidy", "-j", "2", work.string()}), 0);
    EXPECT_EQ(Temporaries(work), 0) << "the next run left temporaries, kill " << it;
    const auto after = Files(work);
    EXPECT_EQ(after.size(), 200u);
    for (const auto& [name, bytes] : after) {
      EXPECT_TRUE(bytes == new_files.at(name) || bytes == next_files.at(name)) << name;
    }
  }
  std::printf("tidy: %d runs, %d killed (%d mid-run), %d temporaries left by kills and cleared, "
              "%d files lost\n",
              Iterations(), kills, cut_mid_run, temporaries_seen, files_lost);
  EXPECT_EQ(files_lost, 0);
}

TEST_F(KillTest, MergeDeletesSourcesOnlyAfterTheWholeFile) {
  const fs::path orig = dir_ / "orig", full = dir_ / "full", work = dir_ / "work";
  fs::create_directory(orig);
  std::vector<std::string> names;
  for (int i = 0; i < 40; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "part%02d.txt", i);
    WriteBytes(orig / name, Novel(i, 400));
    names.push_back(name);
  }
  WriteBytes(orig / "all.txt", "an older merge");
  auto args_in = [&](const fs::path& d) {
    std::vector<std::string> a{"merge", "--heading", "--delete-sources", "--force", "-o",
                               (d / "all.txt").string()};
    for (const auto& n : names) a.push_back((d / n).string());
    return a;
  };
  const auto old_files = Files(orig);
  fs::copy(orig, full);
  const auto start = Clock::now();
  ASSERT_EQ(RunCli(args_in(full)), 0);
  const Clock::duration full_run = Clock::now() - start;
  const std::string merged = ReadBytes(full / "all.txt");
  ASSERT_GT(merged.size(), 40u * 1000);
  ASSERT_EQ(Files(full).size(), 1u) << "the sources go after a complete merge";

  int kills = 0, completed_writes = 0, files_lost = 0;
  for (int it = 0; it < Iterations(); ++it) {
    fs::remove_all(work);
    fs::copy(orig, work);
    const pid_t pid = SpawnCli(args_in(work));
    ASSERT_GT(pid, 0);
    kills += KillAfter(pid, full_run * 4 / 5) == -SIGKILL ? 1 : 0;
    const auto now = Files(work);
    const std::string out = now.count("all.txt") ? now.at("all.txt") : "";
    const bool whole = out == merged;
    EXPECT_TRUE(whole || out == old_files.at("all.txt")) << "all.txt half written, kill " << it;
    completed_writes += whole ? 1 : 0;
    for (const auto& n : names) {
      if (now.count(n) == 0) {
        // A source may go only once its text is safely in the merged file.
        if (!whole) {
          ++files_lost;
          ADD_FAILURE() << n << " deleted before the merge was written, kill " << it;
        }
      } else {
        EXPECT_EQ(now.at(n), old_files.at(n)) << n;
      }
    }
    // The next run over the folder clears what the killed one left.
    ASSERT_EQ(RunCli({"tidy", work.string()}), 0);
    EXPECT_EQ(Temporaries(work), 0) << "kill " << it;
  }
  std::printf("merge: %d runs, %d killed, %d with the merged file complete, %d files lost\n",
              Iterations(), kills, completed_writes, files_lost);
  EXPECT_EQ(files_lost, 0);
}

TEST_F(KillTest, SettingsFileAlwaysParses) {
  const fs::path store = dir_ / "config" / "folian.ini";
  ASSERT_EQ(RunCli({"options", "set", "INDENT=3"}), 0);
  ASSERT_TRUE(fs::exists(store));
  const auto start = Clock::now();
  ASSERT_EQ(RunCli({"options", "set", "INDENT=2"}), 0);
  const Clock::duration full_run = Clock::now() - start;
  int kills = 0;
  for (int it = 0; it < Iterations() * 3; ++it) {
    const int value = 2 + it % 2;
    const pid_t pid = SpawnCli({"options", "set", "INDENT=" + std::to_string(value)});
    kills += KillAfter(pid, full_run) == -SIGKILL ? 1 : 0;
    folian::tidy::TidyOptions o = folian::tidy::TidyOptions::AtStart();
    o.indent = 0;
    std::string error;
    ASSERT_TRUE(folian::app::LoadOptions(store, &o, &error)) << error << ", kill " << it;
    EXPECT_TRUE(o.indent == 2 || o.indent == 3) << o.indent;
  }
  ASSERT_EQ(RunCli({"options", "set", "INDENT=1"}), 0);
  EXPECT_EQ(Temporaries(store.parent_path()), 0);
  std::printf("settings: %d runs, %d killed, the store parsed after each\n", Iterations() * 3, kills);
}

}  // namespace
