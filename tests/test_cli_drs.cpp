// `zorv drs list|extract|build`: archives built in code, listed, taken
// apart into ID.TYPE files and built again byte for byte; damaged archives
// and links planted in the output folder cost the user nothing.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>
#include <vector>

#include "archive/DRSArchive.h"
#include "archive/DRSWriter.h"
#include "common/LittleEndian.h"
#include "tests/SLPTestFiles.h"
#include "tests/support/TestSupport.h"

namespace zorv {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

std::string Quote(const std::string& text) { return "'" + text + "'"; }

test::CommandResult Zorv(const std::string& arguments) {
  return test::RunCommand(Quote(test::ZorvProgram()) + " " + arguments);
}

std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class CLIDRSTest : public ::testing::Test {
 protected:
  // Tables given in an order that is not by type name, files not by id.
  void SetUp() override {
    DRSArchiveSource source;
    source.Tables.push_back({"wav", {DRSFileSource::FromBytes(7, "RIFF....WAVE")}});
    source.Tables.push_back({"slp",
                             {DRSFileSource::FromBytes(1234, std::string(300, 'x')),
                              DRSFileSource::FromBytes(-5, "minus"),
                              DRSFileSource::FromBytes(20, "")}});
    source.Tables.push_back({"bina", {DRSFileSource::FromBytes(50500, "JASC-PAL\r\n")}});
    std::string bytes;
    ASSERT_TRUE(DRSArchiveBytes(source, bytes).ok());
    archive = dir.File("graphics.drs");
    test::WriteFileBytes(archive, bytes);
  }

  test::TempDir dir;
  std::string archive;
};

TEST_F(CLIDRSTest, ListShowsEveryFileAsTextAndAsJSON) {
  const test::CommandResult text = Zorv("drs list " + Quote(archive));
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_NE(text.out.find("slp         1234         300"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("slp           -5           5"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("bina       50500          10"), std::string::npos) << text.out;

  const test::CommandResult js = Zorv("drs list --json " + Quote(archive));
  ASSERT_EQ(js.status, 0) << js.err;
  const json parsed = json::parse(js.out);
  ASSERT_EQ(parsed["tables"].size(), 3u);
  EXPECT_EQ(parsed["tables"][0]["type"], "wav");
  const json& slp = parsed["tables"][1];
  EXPECT_EQ(slp["type"], "slp");
  ASSERT_EQ(slp["files"].size(), 3u);
  // Listed by id, each file's data right after the one before.
  EXPECT_EQ(slp["files"][0]["id"], -5);
  EXPECT_EQ(slp["files"][2]["id"], 1234);
  EXPECT_EQ(slp["files"][2]["size"], 300);
  EXPECT_EQ(slp["files"][2]["offset"].get<int64_t>(),
            slp["files"][1]["offset"].get<int64_t>() + slp["files"][1]["size"].get<int64_t>());
}

TEST_F(CLIDRSTest, ExtractWritesIdTypeFilesWithTheirBytes) {
  const std::string out = dir.File("out");
  const test::CommandResult all = Zorv("drs extract -q " + Quote(archive) + " -o " + Quote(out));
  ASSERT_EQ(all.status, 0) << all.err;
  EXPECT_EQ(Names(out), (std::vector<std::string>{"-5.slp", "1234.slp", "20.slp",
                                                   "50500.bina", "7.wav"}));
  EXPECT_EQ(test::ReadFileBytes(out + "/1234.slp"), std::string(300, 'x'));
  EXPECT_EQ(test::ReadFileBytes(out + "/-5.slp"), "minus");
  EXPECT_EQ(test::ReadFileBytes(out + "/20.slp"), "");

  // Some ids, one type.
  const std::string some = dir.File("some");
  ASSERT_EQ(Zorv("drs extract -q " + Quote(archive) + " 1234 -5 --type slp -o " + Quote(some))
                .status,
            0);
  EXPECT_EQ(Names(some), (std::vector<std::string>{"-5.slp", "1234.slp"}));
}

TEST_F(CLIDRSTest, AnIdThatIsNotThereIsNamedAndNothingIsWritten) {
  const std::string out = dir.File("out");
  const test::CommandResult missing =
      Zorv("drs extract " + Quote(archive) + " 1234 99 -o " + Quote(out));
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("no file 99"), std::string::npos) << missing.err;
  EXPECT_FALSE(fs::exists(out + "/1234.slp"));
  // The wav file 7 is not in the slp table.
  const test::CommandResult wrong_table =
      Zorv("drs extract " + Quote(archive) + " 7 --type slp -o " + Quote(out));
  EXPECT_EQ(wrong_table.status, 1);
  EXPECT_NE(wrong_table.err.find("no slp file 7"), std::string::npos) << wrong_table.err;
  // Not an id at all, and a type that no archive can hold.
  EXPECT_EQ(Zorv("drs extract " + Quote(archive) + " 12x -o " + Quote(out)).status, 2);
  EXPECT_EQ(Zorv("drs extract " + Quote(archive) + " 4294967296 -o " + Quote(out)).status, 2);
  EXPECT_EQ(Zorv("drs extract " + Quote(archive) + " --type ../x -o " + Quote(out)).status, 2);
}

TEST_F(CLIDRSTest, ExistingOutputsAreKeptUnlessForced) {
  const std::string out = dir.File("out");
  fs::create_directories(out);
  test::WriteFileBytes(out + "/7.wav", "mine");
  const test::CommandResult kept = Zorv("drs extract " + Quote(archive) + " -o " + Quote(out));
  EXPECT_EQ(kept.status, 1);
  EXPECT_NE(kept.err.find("7.wav already exists; give --force"), std::string::npos) << kept.err;
  EXPECT_EQ(Names(out), std::vector<std::string>{"7.wav"});  // nothing else was written
  EXPECT_EQ(test::ReadFileBytes(out + "/7.wav"), "mine");

  ASSERT_EQ(Zorv("drs extract -q --force " + Quote(archive) + " -o " + Quote(out)).status, 0);
  EXPECT_EQ(test::ReadFileBytes(out + "/7.wav"), "RIFF....WAVE");
}

TEST_F(CLIDRSTest, ALinkNamedLikeAnOutputIsNeverWrittenThrough) {
  const std::string out = dir.File("out");
  fs::create_directories(out);
  const std::string victim = dir.File("victim.txt");
  test::WriteFileBytes(victim, "precious");
  fs::create_symlink(victim, out + "/7.wav");
  fs::create_symlink(dir.File("nowhere"), out + "/20.slp");  // dangling

  const test::CommandResult refused = Zorv("drs extract " + Quote(archive) + " -o " + Quote(out));
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("already exist"), std::string::npos) << refused.err;
  EXPECT_FALSE(fs::exists(dir.File("nowhere")));

  // A link to a folder cannot be replaced by a file: refused before any
  // file is written.
  fs::create_directories(dir.File("elsewhere"));
  fs::create_directory_symlink(dir.File("elsewhere"), out + "/1234.slp");
  const test::CommandResult to_folder =
      Zorv("drs extract --force " + Quote(archive) + " -o " + Quote(out));
  EXPECT_EQ(to_folder.status, 1);
  EXPECT_NE(to_folder.err.find("1234.slp: is a folder; nothing was extracted"), std::string::npos)
      << to_folder.err;
  EXPECT_FALSE(fs::exists(out + "/-5.slp"));
  EXPECT_TRUE(fs::is_empty(dir.File("elsewhere")));
  fs::remove(out + "/1234.slp");

  ASSERT_EQ(Zorv("drs extract -q --force " + Quote(archive) + " -o " + Quote(out)).status, 0);
  EXPECT_EQ(test::ReadFileBytes(victim), "precious");
  EXPECT_FALSE(fs::exists(dir.File("nowhere")));
  EXPECT_FALSE(fs::is_symlink(out + "/7.wav"));
  EXPECT_EQ(test::ReadFileBytes(out + "/7.wav"), "RIFF....WAVE");
}

TEST_F(CLIDRSTest, ExtractingIntoAFolderThatIsALinkWritesOnlyThere) {
  const std::string real = dir.File("real");
  fs::create_directories(real);
  fs::create_directory_symlink(real, dir.File("linked"));
  ASSERT_EQ(Zorv("drs extract -q " + Quote(archive) + " 7 -o " + Quote(dir.File("linked")))
                .status,
            0);
  EXPECT_EQ(Names(real), std::vector<std::string>{"7.wav"});
}

TEST_F(CLIDRSTest, ExtractedAndBuiltAgainGivesTheSameBytes) {
  // First build from loose files: tables by type name, lists by id.
  const std::string loose = dir.File("loose");
  ASSERT_EQ(Zorv("drs extract -q " + Quote(archive) + " -o " + Quote(loose)).status, 0);
  const std::string built = dir.File("built.drs");
  const test::CommandResult first = Zorv("drs build -q " + Quote(loose) + " -o " + Quote(built));
  ASSERT_EQ(first.status, 0) << first.err;
  DRSArchive read;
  ASSERT_TRUE(ReadDRSArchive(built, read).ok());
  ASSERT_EQ(read.Tables.size(), 3u);
  EXPECT_EQ(read.Tables[0].Type, "bina");
  EXPECT_EQ(read.Tables[1].Type, "slp");
  EXPECT_EQ(read.Tables[2].Type, "wav");

  // Taken apart and built again: byte for byte.
  const std::string again = dir.File("again");
  ASSERT_EQ(Zorv("drs extract -q " + Quote(built) + " -o " + Quote(again)).status, 0);
  const std::string rebuilt = dir.File("rebuilt.drs");
  ASSERT_EQ(Zorv("drs build -q " + Quote(again) + " -o " + Quote(rebuilt)).status, 0);
  EXPECT_EQ(test::ReadFileBytes(rebuilt), test::ReadFileBytes(built));
}

TEST_F(CLIDRSTest, BuildSkipsOtherNamesAndRefusesFilesThatCannotGoIn) {
  const std::string loose = dir.File("loose");
  fs::create_directories(loose + "/sub");
  test::WriteFileBytes(loose + "/12.slp", "twelve");
  test::WriteFileBytes(loose + "/notes.txt", "not an id");
  test::WriteFileBytes(loose + "/sub/13.slp", "in a sub-folder");
  const std::string out = dir.File("a.drs");
  const test::CommandResult built = Zorv("drs build " + Quote(loose) + " -o " + Quote(out));
  ASSERT_EQ(built.status, 0) << built.err;
  EXPECT_NE(built.err.find("notes.txt (not named ID.TYPE)"), std::string::npos) << built.err;
  EXPECT_NE(built.err.find("sub (not a file)"), std::string::npos) << built.err;
  DRSArchive read;
  ASSERT_TRUE(ReadDRSArchive(out, read).ok());
  ASSERT_EQ(read.Tables.size(), 1u);
  ASSERT_EQ(read.Tables[0].Files.size(), 1u);
  EXPECT_EQ(read.Tables[0].Files[0].ID, 12);

  // An existing archive stays unless --force.
  const test::CommandResult kept = Zorv("drs build " + Quote(loose) + " -o " + Quote(out));
  EXPECT_EQ(kept.status, 1);
  EXPECT_NE(kept.err.find("already exists; give --force"), std::string::npos) << kept.err;

  const struct {
    const char* name;
    const char* reason;
  } bad[] = {{"2147483648.slp", "outside what an archive holds"},
             {"5.image", "is no archive file type"},
             {"5.s-p", "is no archive file type"},
             {"012.slp", "is given twice"}};
  for (const auto& b : bad) {
    SCOPED_TRACE(b.name);
    const std::string folder = dir.File(std::string("bad_") + b.name);
    fs::create_directories(folder);
    test::WriteFileBytes(folder + "/12.slp", "twelve");
    test::WriteFileBytes(folder + "/" + b.name, "x");
    const std::string target = folder + ".drs";
    const test::CommandResult refused =
        Zorv("drs build " + Quote(folder) + " -o " + Quote(target));
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find(b.reason), std::string::npos) << refused.err;
    EXPECT_FALSE(fs::exists(target));
  }
}

TEST_F(CLIDRSTest, DamagedArchivesAreRefusedAndNothingIsWritten) {
  std::string bytes = test::ReadFileBytes(archive);
  std::string big;
  le::PutU32(big, 0x7fffffffu);
  std::string past_end = bytes;
  // The first table claims 2^31 - 1 files.
  past_end.replace(64 + 8, 4, big);
  test::WriteFileBytes(dir.File("claims.drs"), past_end);
  std::string cut = bytes.substr(0, bytes.size() - 100);
  test::WriteFileBytes(dir.File("cut.drs"), cut);
  test::WriteFileBytes(dir.File("short.drs"), "tiny");
  for (const char* name : {"claims.drs", "cut.drs", "short.drs"}) {
    SCOPED_TRACE(name);
    const std::string out = dir.File(std::string("out_") + name);
    const test::CommandResult extract =
        Zorv("drs extract " + Quote(dir.File(name)) + " -o " + Quote(out));
    EXPECT_EQ(extract.status, 1);
    EXPECT_NE(extract.err.find(name), std::string::npos) << extract.err;
    EXPECT_FALSE(fs::exists(out));
    const test::CommandResult list = Zorv("drs list " + Quote(dir.File(name)));
    EXPECT_EQ(list.status, 1);
    EXPECT_EQ(list.out, "");
  }
  const test::CommandResult claims = Zorv("drs list " + Quote(dir.File("claims.drs")));
  EXPECT_NE(claims.err.find("claims 2147483647 files"), std::string::npos) << claims.err;
  EXPECT_EQ(Zorv("drs list " + Quote(dir.File("missing.drs"))).status, 1);
}

TEST_F(CLIDRSTest, HeaderTextsReachTheTerminalAsPlainCharactersOnly) {
  // Escape sequences in an archive's header would clear the screen, set
  // the window title or fill the clipboard of whoever looks at it.
  DRSArchiveSource source;
  source.Header = DefaultDRSHeaderText();
  source.Header.Copyright = std::string("Evil \x1b[2J\x1b]52;c;aGk=\x07\x9b" "1m");
  source.Header.Copyright.resize(kDRSCopyrightSize, '\0');
  source.Header.ArchiveType = std::string("tr\x1b]0;x\x07" "be");
  source.Header.ArchiveType.resize(kDRSArchiveTypeSize, '\0');
  source.Tables.push_back({"slp", {DRSFileSource::FromBytes(1, "one")}});
  std::string bytes;
  ASSERT_TRUE(DRSArchiveBytes(source, bytes).ok());
  test::WriteFileBytes(archive, bytes);

  const test::CommandResult info = Zorv("info " + Quote(archive));
  ASSERT_EQ(info.status, 0) << info.err;
  for (unsigned char c : info.out)
    EXPECT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7f)) << "byte " << int{c} << " in\n" << info.out;
  EXPECT_NE(info.out.find("copyright \"Evil ?[2J?]52;c;aGk=??1m\""), std::string::npos)
      << info.out;
  EXPECT_NE(info.out.find("type \"tr?]0;x?be\""), std::string::npos) << info.out;
}

TEST_F(CLIDRSTest, HelpNamesTheSubCommands) {
  const test::CommandResult help = Zorv("help drs");
  ASSERT_EQ(help.status, 0);
  for (const char* word : {"list", "extract", "build"})
    EXPECT_NE(help.out.find(word), std::string::npos) << word;
  EXPECT_EQ(Zorv("drs lsit " + Quote(archive)).status, 2);
}

// A palette in JASC-PAL text whose colour i is (255 - i, i, i / 2).
std::string PaletteText() {
  std::string text = "JASC-PAL\r\n0100\r\n256\r\n";
  for (int i = 0; i < 256; ++i)
    text += std::to_string(255 - i) + " " + std::to_string(i) + " " + std::to_string(i / 2) +
            "\r\n";
  return text;
}

// An archive holding a sprite as slp 1234 and a palette as bina 50500.
std::string SpriteArchive(const std::string& sprite) {
  DRSArchiveSource source;
  source.Tables.push_back({"slp", {DRSFileSource::FromBytes(1234, sprite)}});
  source.Tables.push_back({"bina", {DRSFileSource::FromBytes(50500, PaletteText())}});
  std::string bytes;
  EXPECT_TRUE(DRSArchiveBytes(source, bytes).ok());
  return bytes;
}

TEST_F(CLIDRSTest, ConversionsReadSpritesAndPalettesStraightFromArchives) {
  // Two pixels of palette entries 0x50 and 0x60.
  std::vector<test::TestFrame> frames = {test::OneRowFrame(2, 0, 0, {0x08, 0x50, 0x60, 0x0F})};
  const std::string sprite = test::BuildSLP(frames);
  const std::string data = dir.File("data");
  fs::create_directories(data + "/out");
  test::WriteFileBytes(data + "/graphics.drs", SpriteArchive(sprite));
  test::WriteFileBytes(data + "/other.drs", SpriteArchive(sprite));
  const std::string member = Quote(data + "/graphics.drs:1234");

  // One file, and the batch form, named after the id.
  const test::CommandResult one =
      Zorv("slp2slx -q " + member + " " + Quote(data + "/out/one.slx"));
  ASSERT_EQ(one.status, 0) << one.err;
  EXPECT_TRUE(fs::exists(data + "/out/one_001.bmp"));
  const test::CommandResult batch = Zorv("slp2slx -q -o " + Quote(data + "/batch") + " " + member);
  ASSERT_EQ(batch.status, 0) << batch.err;
  EXPECT_TRUE(fs::exists(data + "/batch/1234/1234.slx"));
  // Two archives' sprites of one id would share one output.
  const test::CommandResult clash = Zorv("slp2slx -q -o " + Quote(data + "/clash") + " " +
                                         member + " " + Quote(data + "/other.drs:1234"));
  EXPECT_EQ(clash.status, 2);
  EXPECT_FALSE(fs::exists(data + "/clash"));
  const test::CommandResult exported = Zorv("export -q -o " + Quote(data + "/png") + " " + member);
  ASSERT_EQ(exported.status, 0) << exported.err;
  EXPECT_TRUE(fs::exists(data + "/png/1234/1234_001.png"));
  const test::CommandResult sheet =
      Zorv("export -q --format sheet -o " + Quote(data + "/sheet") + " " + member);
  ASSERT_EQ(sheet.status, 0) << sheet.err;
  EXPECT_TRUE(fs::exists(data + "/sheet/1234/1234.png"));
  EXPECT_TRUE(fs::exists(data + "/sheet/1234/1234.json"));

  // The archive's palette does what the same palette in a file does.
  test::WriteFileBytes(data + "/p.pal", PaletteText());
  const std::string slx = Quote(data + "/out/one.slx");
  ASSERT_EQ(Zorv("slx2slp " + slx + " " + Quote(data + "/file.slp") + " --palette " +
                 Quote(data + "/p.pal"))
                .status,
            0);
  ASSERT_EQ(Zorv("slx2slp " + slx + " " + Quote(data + "/archive.slp") + " --palette " +
                 Quote(data + "/graphics.drs:50500"))
                .status,
            0);
  ASSERT_EQ(Zorv("slx2slp " + slx + " " + Quote(data + "/builtin.slp")).status, 0);
  EXPECT_EQ(test::ReadFileBytes(data + "/archive.slp"), test::ReadFileBytes(data + "/file.slp"));
  EXPECT_NE(test::ReadFileBytes(data + "/archive.slp"), test::ReadFileBytes(data + "/builtin.slp"));

  // A member that is not there, or no palette, fails naming it.
  const test::CommandResult no_sprite =
      Zorv("slp2slx " + Quote(data + "/graphics.drs:99") + " " + Quote(data + "/x.slx"));
  EXPECT_EQ(no_sprite.status, 1);
  EXPECT_NE(no_sprite.err.find("no slp file 99"), std::string::npos) << no_sprite.err;
  const test::CommandResult no_palette =
      Zorv("export -q -o " + Quote(data + "/png2") + " " + member + " --palette " + member);
  EXPECT_EQ(no_palette.status, 1);
  EXPECT_NE(no_palette.err.find("Not valid palette file!"), std::string::npos) << no_palette.err;
  EXPECT_NE(no_palette.err.find("no bina file 1234"), std::string::npos) << no_palette.err;
}

}  // namespace
}  // namespace zorv
