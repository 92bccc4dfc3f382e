#include "common/profile_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "common/paths.h"
#include "common/text.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace common {
namespace {

namespace fs = std::filesystem;

// Contents in these tables are written in UTF-8 for reading and converted to
// GBK before use.
std::string Gbk(const std::string& utf8) { return Utf8ToGbk(utf8); }

struct ReadCase {
  const char* name;
  std::string file;
  std::string section;
  std::string key;
  std::string value;
};

TEST(IniRead, ValuesFromContents) {
  const std::string sample = "[记录1]\r\n记录=2\r\n[资源表1]\r\n内容=安卓界面\r\n大小=120KB\r\n";
  const std::vector<ReadCase> cases = {
      {"plain", sample, "记录1", "记录", "2"},
      {"second section", sample, "资源表1", "大小", "120KB"},
      {"missing key", sample, "资源表1", "进度", ""},
      {"missing section", sample, "资源表2", "内容", ""},
      {"key of another section is not found", sample, "记录1", "内容", ""},
      {"empty file", "", "a", "b", ""},
      {"names ignore ASCII case", "[Sec]\r\nKey=v\r\n", "sEC", "kEY", "v"},
      {"blanks around the value dropped", "[s]\r\nk=  \t a b \t \r\n", "s", "k", "a b"},
      {"blanks around key and equals sign", "[s]\r\n  k  =  v\r\n", "s", "k", "v"},
      {"blanks inside brackets", "[ s ]\r\nk=v\r\n", "s", "k", "v"},
      {"double quotes dropped", "[s]\r\nk=\" a \"\r\n", "s", "k", " a "},
      {"single quotes dropped", "[s]\r\nk='a'\r\n", "s", "k", "a"},
      {"only one pair of quotes", "[s]\r\nk=\"\"a\"\"\r\n", "s", "k", "\"a\""},
      {"unmatched quotes kept", "[s]\r\nk=\"a'\r\n", "s", "k", "\"a'"},
      {"lone quote kept", "[s]\r\nk=\"\r\n", "s", "k", "\""},
      {"quotes inside kept", "[s]\r\nk=a\"b\"\r\n", "s", "k", "a\"b\""},
      {"value is the rest of the line", "[s]\r\nk=a=b;c\r\n", "s", "k", "a=b;c"},
      {"LF-only file", "[s]\nk=v\nj=w\n", "s", "j", "w"},
      {"last line without line end", "[s]\r\nk=v", "s", "k", "v"},
      {"first of two equal keys", "[s]\r\nk=1\r\nK=2\r\n", "s", "k", "1"},
      {"first of two equal sections", "[s]\r\nk=1\r\n[S]\r\nk=2\r\n", "s", "k", "1"},
      {"key before any section belongs to none", "k=0\r\n[s]\r\nj=1\r\n", "s", "k", ""},
      {"empty value", "[s]\r\nk=\r\n", "s", "k", ""},
      {"leading control bytes in names skipped", "[s]\r\nk=v\r\n", " \t\x01s", "\x1f k", "v"},
      {"empty section name reads nothing", "[]\r\nk=v\r\n", "  ", "k", ""},
      {"empty key name reads nothing", "[s]\r\n=v\r\n", "s", "", ""},
      {"line without equals sign is no key", "[s]\r\nk\r\n", "s", "k", ""},
      {"section header with text after it", "[s] x\r\nk=v\r\n", "s", "k", "v"},
      {"bracket line without closing bracket is no section", "[s\r\nk=v\r\n", "s", "k", ""},
      {"chinese value", "[资源表1]\r\n下载状态=已下载完毕\r\n", "资源表1", "下载状态",
       "已下载完毕"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ReadIniValueFromContent(Gbk(c.file), c.section, c.key), c.value);
  }
}

TEST(IniRead, GbkDetailsOfNames) {
  // Two characters whose trail bytes differ only in ASCII case ("A" 0x41,
  // "a" 0x61) are different names.
  const std::string upper = "\x81\x41", lower = "\x81\x61";
  ASSERT_NE(GbkToUtf8(upper), GbkToUtf8(lower));
  EXPECT_EQ(ReadIniValueFromContent("[" + upper + "]\r\nk=1\r\n", GbkToUtf8(lower), "k"), "");
  EXPECT_EQ(ReadIniValueFromContent("[" + upper + "]\r\nk=1\r\n", GbkToUtf8(upper), "k"), "1");
  // "乚" is 0x81 0x5D: its trail byte is "]".
  const std::string hook = "\x81\x5D";
  EXPECT_EQ(ReadIniValueFromContent("[a" + hook + "]\r\nk=1\r\n", "a乚", "k"), "1");
  EXPECT_EQ(ReadIniValueFromContent("[a" + hook + "\r\nk=1\r\n", "a", "k"), "");
}

TEST(IniRead, LongValuesAreCutTo10239GbkBytes) {
  struct Case {
    const char* name;
    std::string value;  // GBK
    std::string expected;
  };
  const std::string chinese = "\xCF\xC2";  // two bytes
  const std::vector<Case> cases = {
      {"exactly the limit", std::string(10239, 'x'), std::string(10239, 'x')},
      {"one over the limit", std::string(10240, 'x'), std::string(10239, 'x')},
      {"far over the limit", std::string(50000, 'y'), std::string(10239, 'y')},
      // 10238 ASCII bytes and one double-byte character: the character
      // would end at byte 10240 and is left out whole.
      {"double-byte character across the limit", std::string(10238, 'z') + chinese,
       std::string(10238, 'z')},
      {"double-byte characters only",
       [&] {
         std::string s;
         for (int i = 0; i < 6000; ++i) s += chinese;
         return s;
       }(),
       [&] {
         std::string s;
         for (int i = 0; i < 5119; ++i) s += chinese;
         return s;
       }()},
      {"quotes dropped before the cut", "\"" + std::string(10239, 'q') + "\"",
       std::string(10239, 'q')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string got = ReadIniValueFromContent("[s]\r\nk=" + c.value + "\r\n", "s", "k");
    EXPECT_EQ(Utf8ToGbk(got), c.expected);
    EXPECT_LE(Utf8ToGbk(got).size(), kMaxIniValueBytes);
  }
}

struct WriteCase {
  const char* name;
  std::string before;
  std::string section;
  std::string key;
  std::string value;
  std::string after;
};

TEST(IniWrite, ContentsAfterOneWrite) {
  const std::vector<WriteCase> cases = {
      {"new file", "", "记录1", "记录", "3", "[记录1]\r\n记录=3\r\n"},
      {"replace in place", "[s]\r\na=1\r\nk=old\r\nb=2\r\n", "s", "k", "new",
       "[s]\r\na=1\r\nk=new\r\nb=2\r\n"},
      {"replace keeps the key's spelling in the file", "[S]\r\n  Key = old \r\n", "s", "KEY", "v",
       "[S]\r\nKey=v\r\n"},
      {"replace a key of the second section only", "[a]\r\nk=1\r\n[b]\r\nk=2\r\n", "b", "k", "3",
       "[a]\r\nk=1\r\n[b]\r\nk=3\r\n"},
      {"new key at the end of its section", "[a]\r\nx=1\r\n[b]\r\ny=2\r\n", "a", "k", "v",
       "[a]\r\nx=1\r\nk=v\r\n[b]\r\ny=2\r\n"},
      {"new key before the blank lines ending its section", "[a]\r\nx=1\r\n\r\n\r\n[b]\r\ny=2\r\n",
       "a", "k", "v", "[a]\r\nx=1\r\nk=v\r\n\r\n\r\n[b]\r\ny=2\r\n"},
      {"new key in an empty section", "[a]\r\n[b]\r\n", "a", "k", "v", "[a]\r\nk=v\r\n[b]\r\n"},
      {"new key in the last section", "[a]\r\nx=1\r\n", "A", "k", "v", "[a]\r\nx=1\r\nk=v\r\n"},
      {"new key after a last line without line end", "[a]\r\nx=1", "a", "k", "v",
       "[a]\r\nx=1\r\nk=v\r\n"},
      {"new section at the end of the file", "[a]\r\nx=1\r\n", "b", "k", "v",
       "[a]\r\nx=1\r\n[b]\r\nk=v\r\n"},
      {"new section after a last line without line end", "[a]\r\nx=1", "b", "k", "v",
       "[a]\r\nx=1\r\n[b]\r\nk=v\r\n"},
      {"LF-only file keeps its lines", "[a]\nx=1\n[b]\ny=2\n", "a", "x", "9",
       "[a]\nx=9\r\n[b]\ny=2\n"},
      {"value written as given", "", "s", "k", "  带空格  ", "[s]\r\nk=  带空格  \r\n"},
      {"empty value", "[s]\r\nk=v\r\n", "s", "k", "", "[s]\r\nk=\r\n"},
      {"line breaks in a value cannot add lines", "", "s", "k", "a\r\n[记录1]\n记录=9",
       "[s]\r\nk=a  [记录1] 记录=9\r\n"},
      {"leading blanks of names skipped", "", " \ts", "\x01k", "v", "[s]\r\nk=v\r\n"},
      {"empty section name writes nothing", "[s]\r\n", " ", "k", "v", "[s]\r\n"},
      {"empty key name writes nothing", "[s]\r\n", "s", "", "v", "[s]\r\n"},
      {"key starting with a bracket would be a section: nothing written", "[s]\r\nk=1\r\n", "s",
       "[x]", "v", "[s]\r\nk=1\r\n"},
      {"key with an equals sign could not be read: nothing written", "[s]\r\n", "s", "a=b", "v",
       "[s]\r\n"},
      {"line breaks in names stand as blanks", "", "s\nt", "k\r\nx", "v", "[s t]\r\nk  x=v\r\n"},
      {"unconvertible characters become question marks", "", "s", "k", "a😀", "[s]\r\nk=a?\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(GbkToUtf8(ApplyIniWrite(Gbk(c.before), c.section, c.key, c.value)), c.after);
  }
}

// Whatever a write stores, a read of the same names gives back (as far as
// the read rules let it: blanks and one pair of quotes around it dropped).
TEST(IniWrite, ReadGivesBackWhatWasWritten) {
  const std::vector<std::string> files = {
      "", "[s]\r\nk=1\r\n", "[S]\nK = 2\n\n[t]\nk=3", "x=1\r\n[s]", "[s]\r\n\r\n[s]\r\nk=4\r\n",
  };
  const std::vector<std::pair<std::string, std::string>> values = {
      {"v", "v"}, {"下载状态", "下载状态"}, {"  v  ", "v"}, {"'q'", "q"},
      {"", ""},   {"亅乚", "亅乚"},
  };
  for (const auto& file : files)
    for (const auto& [written, read] : values) {
      SCOPED_TRACE(file + " / " + written);
      std::string after = ApplyIniWrite(Gbk(file), "s", "k", written);
      EXPECT_EQ(ReadIniValueFromContent(after, "s", "k"), read);
      EXPECT_EQ(ReadIniValueFromContent(after, "S", "K"), read);
      after = ApplyIniWrite(Gbk(file), "s\n", "k\r\nx", written);
      EXPECT_EQ(ReadIniValueFromContent(after, "s\n", "k\r\nx"), read);
    }
}

class IniFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("rb_common_ini_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string PathOf(const std::string& name) const {
    return (dir_ / fs::path(std::u8string(name.begin(), name.end()))).string();
  }
  static std::string Bytes(const std::string& path) {
    std::string content;
    ReadFileBytes(path, &content);
    return content;
  }
  static void Put(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  std::vector<std::string> FolderEntries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(dir_))
      names.push_back(e.path().lexically_relative(dir_).string());
    return names;
  }

  fs::path dir_;
};

TEST_F(IniFileTest, WritesGbkWithCrLfAndReadsItBack) {
  const std::string file = PathOf("情况.ini");
  EXPECT_EQ(ReadIniValue(file, "记录1", "记录"), "");  // no file yet
  WriteIniValue(file, "资源表1", "内容", "安卓界面");
  WriteIniValue(file, "记录1", "记录", "1");
  EXPECT_EQ(Bytes(file), Gbk("[资源表1]\r\n内容=安卓界面\r\n[记录1]\r\n记录=1\r\n"));
  EXPECT_EQ(ReadIniValue(file, "资源表1", "内容"), "安卓界面");
  EXPECT_EQ(ReadIniValue("  " + file, "记录1", "记录"), "1");  // leading blanks of the path
  EXPECT_EQ(ReadIniValue("", "记录1", "记录"), "");
  EXPECT_EQ(ReadIniValue(PathOf("other.ini"), "记录1", "记录"), "");
}

TEST_F(IniFileTest, WriteCreatesMissingFoldersAndLeavesNoTemporaryFiles) {
  const std::string file = PathOf("resourcebox") + "/sub/情况.ini";
  ASSERT_TRUE(WriteIniValues(file, {{"s", "a", "1"}, {"s", "b", "2"}, {"s", "a", "3"}}));
  EXPECT_EQ(Bytes(file), "[s]\r\na=3\r\nb=2\r\n");
  EXPECT_EQ(FolderEntries().size(), 3u);  // two folders and the file
}

TEST_F(IniFileTest, WritesThatChangeNothingOrCannotBeDoneReportSo) {
  const std::string file = PathOf("a.ini");
  EXPECT_FALSE(WriteIniValues(file, {{"", "k", "v"}}));  // nothing to create
  EXPECT_FALSE(fs::exists(file));
  EXPECT_FALSE(WriteIniValues(" ", {{"s", "k", "v"}}));
  // A folder in place of the file is neither read nor replaced.
  fs::create_directories(PathOf("dir.ini"));
  EXPECT_FALSE(WriteIniValues(PathOf("dir.ini"), {{"s", "k", "v"}}));
  EXPECT_TRUE(fs::is_directory(PathOf("dir.ini")));
  EXPECT_EQ(ReadIniValue(PathOf("dir.ini"), "s", "k"), "");
  // A parent that is a file cannot hold the file.
  Put(PathOf("plain"), "x");
  EXPECT_FALSE(WriteIniValues(PathOf("plain") + "/a.ini", {{"s", "k", "v"}}));
  EXPECT_EQ(Bytes(PathOf("plain")), "x");
}

#ifndef _WIN32
TEST_F(IniFileTest, UnreadableFileIsNotReplaced) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
  const std::string file = PathOf("locked.ini");
  Put(file, "[s]\r\nkeep=1\r\n");
  fs::permissions(file, fs::perms::none);
  EXPECT_FALSE(WriteIniValues(file, {{"s", "k", "v"}}));
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(Bytes(file), "[s]\r\nkeep=1\r\n");
}
#endif

TEST_F(IniFileTest, ReaderNeverSeesATornTemporaryFile) {
  const std::string file = PathOf("情况.ini");
  WriteIniValue(file, "记录1", "记录", "5");
  // What a save that died before its rename leaves beside the file.
  Put(file + ".~99999-0.tmp", Gbk("[记录1]\r\n记录=7\r\n[资源"));
  EXPECT_EQ(ReadIniValue(file, "记录1", "记录"), "5");
  // The next save is not disturbed by the leftover.
  WriteIniValue(file, "记录1", "记录", "6");
  EXPECT_EQ(ReadIniValue(file, "记录1", "记录"), "6");
}

#ifndef _WIN32
// A process that dies after writing the new content aside but before it
// replaced the file leaves the old file whole; the next save still works.
TEST_F(IniFileTest, CrashBetweenWriteAndRenameKeepsOldContent) {
  const std::string file = PathOf("情况.ini");
  ASSERT_TRUE(WriteIniValues(file, {{"资源表1", "内容", "旧"}, {"记录1", "记录", "1"}}));
  const std::string old = Bytes(file);

  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    SetBeforeReplaceHookForTesting([] { raise(SIGKILL); });
    WriteIniValues(file,
                   {{"资源表1", "内容", "新"}, {"资源表2", "内容", "x"}, {"记录1", "记录", "2"}});
    _exit(0);  // not reached
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

  EXPECT_EQ(Bytes(file), old);
  EXPECT_EQ(ReadIniValue(file, "记录1", "记录"), "1");
  EXPECT_EQ(ReadIniValue(file, "资源表1", "内容"), "旧");
  // The killed save had its whole new content aside, under another name.
  std::vector<std::string> leftovers;
  for (const auto& e : fs::directory_iterator(dir_))
    if (e.path() != fs::path(file)) leftovers.push_back(Bytes(e.path().string()));
  ASSERT_EQ(leftovers.size(), 1u);
  EXPECT_NE(leftovers[0].find(Gbk("记录=2")), std::string::npos);

  ASSERT_TRUE(WriteIniValues(file, {{"记录1", "记录", "3"}}));
  EXPECT_EQ(ReadIniValue(file, "记录1", "记录"), "3");
  EXPECT_EQ(ReadIniValue(file, "资源表1", "内容"), "旧");
}

// A saving process killed at random moments leaves the old or the new
// content, never a mix or a cut-off file.
TEST_F(IniFileTest, KilledSaveLeavesOldOrNewContent) {
  const std::string file = PathOf("情况.ini");
  // Few large values: most of a save's time goes to writing and syncing.
  auto writesFor = [](char fill) {
    std::vector<IniWrite> writes;
    for (int n = 1; n <= 4; ++n)
      writes.push_back({"资源表" + std::to_string(n), "内容", std::string(250000, fill)});
    writes.push_back({"记录1", "记录", std::string(1, fill)});
    return writes;
  };
  ASSERT_TRUE(WriteIniValues(file, writesFor('a')));
  const std::string contentA = Bytes(file);
  ASSERT_TRUE(WriteIniValues(file + ".b", writesFor('b')));
  const std::string contentB = Bytes(file + ".b");
  fs::remove(file + ".b");

  // Kill moments spread over a few saves' time, whatever this machine's pace.
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(WriteIniValues(file, writesFor('a')));
  const auto oneSave = std::chrono::duration_cast<std::chrono::microseconds>(
                           std::chrono::steady_clock::now() - start)
                           .count();
  std::mt19937 random(12345);
  std::uniform_int_distribution<long> killAfter(0, 3 * oneSave + 1000);
  int killedMidSave = 0;
  for (int round = 0; round < 40; ++round) {
    const char fill = (round % 2 == 0) ? 'b' : 'a';
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (;;) WriteIniValues(file, writesFor(fill));  // until killed
    }
    usleep(static_cast<useconds_t>(killAfter(random)));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    const std::string now = Bytes(file);
    ASSERT_TRUE(now == contentA || now == contentB)
        << "round " << round << ": torn file of " << now.size() << " bytes";
    // Leftover temporary files of the killed child are never taken for the
    // file; clear them for the next round.
    for (const auto& e : fs::directory_iterator(dir_))
      if (e.path().string() != file) {
        ++killedMidSave;
        fs::remove(e.path());
      }
  }
  RecordProperty("killedMidSave", killedMidSave);
}
#endif

}  // namespace
}  // namespace common
