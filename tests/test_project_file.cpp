// The .mpr project file: its exact text, the number rules when reading, the
// rejected files and what stays open after a failed open or save.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/FileIO.h"
#include "project/ModProject.h"
#include "tests/support/TestSupport.h"

namespace zorv {
namespace {

const std::string kHeaderLine = std::string(kProjectHeader) + "\r\n";

ProjectResource Entry(std::string name, std::string path, int16_t kind, int16_t target,
                      int32_t id, int32_t flags) {
  ProjectResource r;
  r.Name = std::move(name);
  r.FilePath = std::move(path);
  r.Kind = kind;
  r.ReplaceTarget = target;
  r.ResourceID = id;
  r.IconFlags = flags;
  return r;
}

ModProject TwoResourceProject(const std::string& path) {
  ModProject project = MakeNewProject(path);
  project.Title = "  My \"mod\"; v2 ";
  project.ResourceCount = 2;
  project.Resources = {Entry("unit", "C:\\mods\\unit.slx", KindSLX, 1, 815, 0),
                       Entry("Icon 1", "/home/me/icons/a b.bmp", KindBMP, 7, -1, 1023)};
  return project;
}

// The text of a project file whose first resource group has number_line at
// the given place (0 name, ..., 5 icon flags).
std::string FileWithLine(int place, const std::string& number_line) {
  std::vector<std::string> lines = {kProjectHeader, "T", "1", "n", "p", "1", "1", "0", "0"};
  lines[static_cast<size_t>(3 + place)] = number_line;
  return JoinLinesCRLF(lines);
}

void ExpectSameResource(const ProjectResource& a, const ProjectResource& b) {
  EXPECT_EQ(a.Name, b.Name);
  EXPECT_EQ(a.FilePath, b.FilePath);
  EXPECT_EQ(a.Kind, b.Kind);
  EXPECT_EQ(a.ReplaceTarget, b.ReplaceTarget);
  EXPECT_EQ(a.ResourceID, b.ResourceID);
  EXPECT_EQ(a.IconFlags, b.IconFlags);
}

TEST(ProjectFileText, NewProjectIsExactlyThreeLines) {
  test::TempDir dir;
  std::string path = dir.File("project.mpr");
  ModProject project;
  ASSERT_TRUE(NewProject(path, project));
  EXPECT_EQ(test::ReadFileBytes(path), kHeaderLine + "Unnamed\r\n0\r\n");
  EXPECT_EQ(project.FilePath, path);
  EXPECT_EQ(project.ResourceCount, 0);
  EXPECT_EQ(project.Resources.size(), 1u);  // the one empty slot
}

TEST(ProjectFileText, ResourcesAreSixPlainLinesEach) {
  ModProject project = TwoResourceProject("x.mpr");
  EXPECT_EQ(FormatProjectFile(project),
            kHeaderLine +
                "  My \"mod\"; v2 \r\n2\r\n"
                "unit\r\nC:\\mods\\unit.slx\r\n4\r\n1\r\n815\r\n0\r\n"
                "Icon 1\r\n/home/me/icons/a b.bmp\r\n6\r\n7\r\n-1\r\n1023\r\n");
}

TEST(ProjectFileText, SavedFileReadsBackUnchanged) {
  test::TempDir dir;
  ModProject saved = TwoResourceProject(dir.File("p.mpr"));
  ASSERT_TRUE(SaveProject(saved));
  ModProject read;
  ASSERT_TRUE(LoadProjectFile(saved.FilePath, read));
  EXPECT_EQ(read.FilePath, saved.FilePath);
  EXPECT_EQ(read.Title, saved.Title);
  ASSERT_EQ(read.ResourceCount, 2);
  ASSERT_EQ(read.Resources.size(), 2u);
  ExpectSameResource(read.Resource(1), saved.Resource(1));
  ExpectSameResource(read.Resource(2), saved.Resource(2));
  EXPECT_EQ(read.Resource(2).ResourceID, -1);
}

TEST(ProjectFileText, EmptyProjectOpensAndSavesBackTheSameThreeLines) {
  test::TempDir dir;
  std::string path = dir.File("empty.mpr");
  std::string text = kHeaderLine + "Some title\r\n0\r\n";
  test::WriteFileBytes(path, text);
  ModProject project;
  ASSERT_TRUE(OpenProject(path, project));
  EXPECT_EQ(project.ResourceCount, 0);
  EXPECT_EQ(project.Resources.size(), 1u);
  test::WriteFileBytes(path, "changed");
  ASSERT_TRUE(SaveProject(project));
  EXPECT_EQ(test::ReadFileBytes(path), text);
}

TEST(ProjectFileText, LinesAfterTheLastGroupAreIgnoredAndDroppedOnSave) {
  test::TempDir dir;
  std::string path = dir.File("extra.mpr");
  test::WriteFileBytes(path, FileWithLine(4, "42") + "left over\r\nmore\r\n");
  ModProject project;
  ASSERT_TRUE(OpenProject(path, project));
  EXPECT_EQ(project.ResourceCount, 1);
  EXPECT_EQ(project.Resource(1).ResourceID, 42);
  ASSERT_TRUE(SaveProject(project));
  EXPECT_EQ(test::ReadFileBytes(path), FileWithLine(4, "42"));
}

TEST(ProjectFileText, LoneLineFeedsAndAFinalLineWithoutEndAreRead) {
  ModProject project;
  ASSERT_TRUE(ParseProjectFile(std::string(kProjectHeader) + "\nT\n1\nn\np\n1\n2\n3\n4", project));
  EXPECT_EQ(project.Resource(1).IconFlags, 4);
  ASSERT_TRUE(ParseProjectFile(std::string(kProjectHeader) + "\r\nT\r\n0\r", project));
  EXPECT_EQ(project.Title, "T");
  EXPECT_EQ(project.ResourceCount, 0);
}

TEST(ProjectFileNumbers, FractionsRoundHalfToEvenAndBlanksAreAllowed) {
  struct Case {
    int place;
    std::string line;
    int32_t expected;
  } cases[] = {{2, "7.5", 8},        {2, "6.5", 6},      {3, " 12 ", 12},
               {3, "\t-3\t", -3},    {4, "-1", -1},      {4, "2147483647", INT32_MAX},
               {5, "-2147483648", INT32_MIN}, {4, "0.4999", 0}, {5, "+5", 5},
               {2, "32767", 32767},  {3, "-32768", -32768}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    ModProject project;
    ASSERT_TRUE(ParseProjectFile(FileWithLine(c.place, c.line), project));
    const ProjectResource& r = project.Resource(1);
    int32_t got = c.place == 2 ? r.Kind : c.place == 3 ? r.ReplaceTarget
                                      : c.place == 4 ? r.ResourceID
                                                     : r.IconFlags;
    EXPECT_EQ(got, c.expected);
  }
}

TEST(ProjectFileNumbers, AnythingElseIsAReadError) {
  struct Case {
    int place;
    std::string line;
  } cases[] = {{2, "abc"},        {2, "12abc"},       {2, ""},
               {2, "32768"},      {3, "-32769"},      {2, "1 2"},
               {4, "2147483648"}, {5, "-2147483649"}, {4, "1e3"},
               {3, "--1"},        {2, "."}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    ModProject project = TwoResourceProject("keep.mpr");
    ProjectFileResult result = ParseProjectFile(FileWithLine(c.place, c.line), project);
    EXPECT_EQ(result.error, ProjectFileError::Read);
    EXPECT_EQ(result.reason.rfind("line " + std::to_string(4 + c.place) + ": ", 0), 0u)
        << result.reason;
    EXPECT_EQ(project.Title, "  My \"mod\"; v2 ");  // untouched
  }
}

TEST(ProjectFileNumbers, CountMustBeAWholeNumberFromZero) {
  for (std::string count : {"-1", "x", "32768", ""}) {
    SCOPED_TRACE(count);
    ModProject project;
    EXPECT_EQ(ParseProjectFile(kHeaderLine + "T\r\n" + count + "\r\n", project).error,
              ProjectFileError::Read);
  }
  ModProject project;
  ASSERT_TRUE(ParseProjectFile(kHeaderLine + "T\r\n0.5\r\n", project));
  EXPECT_EQ(project.ResourceCount, 0);
}

TEST(ProjectFileRejects, HeaderMustMatchExactly) {
  for (std::string first : {"mod project - v0.50", "Mod Project - v0.5", "Mod Project - v0.51",
                            " Mod Project - v0.50", "SLX 0.5", ""}) {
    SCOPED_TRACE(first);
    ModProject project;
    EXPECT_EQ(ParseProjectFile(first + "\r\nT\r\n0\r\n", project).error,
              ProjectFileError::Format);
  }
}

TEST(ProjectFileRejects, MissingLinesAndEmptyFilesAreReadErrors) {
  std::string full = FileWithLine(0, "n");
  std::vector<std::string> lines = SplitLines(full);
  // Every shortening of a one-resource file, down to the header alone.
  for (size_t keep = 1; keep < lines.size(); ++keep) {
    SCOPED_TRACE(keep);
    std::vector<std::string> part(lines.begin(), lines.begin() + static_cast<long>(keep));
    ModProject project;
    EXPECT_EQ(ParseProjectFile(JoinLinesCRLF(part), project).error, ProjectFileError::Read);
  }
  ModProject project;
  EXPECT_EQ(ParseProjectFile("", project).error, ProjectFileError::Read);
  // A count larger than the groups present.
  EXPECT_EQ(ParseProjectFile(kHeaderLine + "T\r\n32767\r\nn\r\n", project).error,
            ProjectFileError::Read);
}

class OpenProjectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    open = TwoResourceProject(dir.File("open.mpr"));
  }

  void ExpectStillOpen() {
    EXPECT_EQ(open.FilePath, dir.File("open.mpr"));
    EXPECT_EQ(open.Title, "  My \"mod\"; v2 ");
    EXPECT_EQ(open.ResourceCount, 2);
    EXPECT_EQ(open.Resource(2).Name, "Icon 1");
  }

  test::TempDir dir;
  ModProject open;
};

TEST_F(OpenProjectTest, WrongHeaderSaysUnrecognisedAndKeepsTheOpenProject) {
  std::string path = dir.File("other.mpr");
  test::WriteFileBytes(path, "Mod Project - v0.40\r\nT\r\n0\r\n");
  const Status opened = OpenProject(path, open);
  EXPECT_FALSE(opened.ok());
  EXPECT_EQ(opened.Headline(), "Unrecognised file format!");
  EXPECT_NE(opened.message().find(path), std::string::npos) << opened.message();
  ExpectStillOpen();
}

TEST_F(OpenProjectTest, EveryOtherFailureSaysErrorOpeningAndKeepsTheOpenProject) {
  std::string bad_number = dir.File("bad.mpr");
  // Title and count are good, so a partial read would already have changed
  // the open project.
  test::WriteFileBytes(bad_number, kHeaderLine + "New title\r\n2\r\nn\r\np\r\n1\r\n1\r\n5\r\n0\r\n"
                                                 "m\r\nq\r\nletters\r\n1\r\n6\r\n0\r\n");
  std::string empty = dir.File("empty.mpr");
  test::WriteFileBytes(empty, "");
  std::string negative = dir.File("negative.mpr");
  test::WriteFileBytes(negative, kHeaderLine + "T\r\n-1\r\n");
  for (const std::string& path :
       {bad_number, empty, negative, dir.File("missing.mpr"), dir.path().string()}) {
    SCOPED_TRACE(path);
    const Status opened = OpenProject(path, open);
    EXPECT_FALSE(opened.ok());
    EXPECT_EQ(opened.Headline(), "Error opening project file!");
    ExpectStillOpen();
  }
}

TEST_F(OpenProjectTest, SuccessReplacesTheOpenProject) {
  std::string path = dir.File("next.mpr");
  test::WriteFileBytes(path, FileWithLine(0, "only"));
  const Status opened = OpenProject(path, open);
  ASSERT_TRUE(opened.ok()) << opened.message();
  EXPECT_EQ(open.FilePath, path);
  EXPECT_EQ(open.Title, "T");
  EXPECT_EQ(open.ResourceCount, 1);
  ASSERT_EQ(open.Resources.size(), 1u);
  EXPECT_EQ(open.Resource(1).Name, "only");
}

TEST(SaveProjectFailures, FailAndThePreviousFileSurvives) {
  test::TempDir dir;
  ModProject project = TwoResourceProject(dir.File("p.mpr"));
  ASSERT_TRUE(SaveProject(project));
  std::string before = test::ReadFileBytes(project.FilePath);

  project.Title = "changed";
  std::filesystem::permissions(project.FilePath, std::filesystem::perms::owner_read);
  const Status read_only = SaveProject(project);
  EXPECT_FALSE(read_only.ok());
  EXPECT_EQ(read_only.Headline(), "Error saving project file!");
  EXPECT_EQ(test::ReadFileBytes(project.FilePath), before);

  ModProject gone = project;
  gone.FilePath = dir.File("no such folder/p.mpr");
  const Status no_folder = SaveProject(gone);
  EXPECT_FALSE(no_folder.ok());
  EXPECT_EQ(no_folder.Headline(), "Error saving project file!");
}

TEST(SaveProjectFailures, LineBreaksInTextsWouldShiftTheFileAndAreRefused) {
  test::TempDir dir;
  ModProject project = TwoResourceProject(dir.File("p.mpr"));
  ASSERT_TRUE(SaveProject(project));
  std::string before = test::ReadFileBytes(project.FilePath);
  ModProject title = project;
  title.Title = "two\r\nlines";
  const Status title_saved = SaveProject(title);
  EXPECT_FALSE(title_saved.ok());
  EXPECT_EQ(title_saved.Headline(), "Error saving project file!");
  ModProject name = project;
  name.Resource(2).Name = "a\nb";
  const Status name_saved = SaveProject(name);
  EXPECT_FALSE(name_saved.ok());
  EXPECT_EQ(name_saved.Headline(), "Error saving project file!");
  EXPECT_EQ(test::ReadFileBytes(project.FilePath), before);
}

TEST(SaveProjectFailures, ADeletedProjectFileIsWrittenAgain) {
  test::TempDir dir;
  ModProject project = TwoResourceProject(dir.File("p.mpr"));
  ASSERT_FALSE(std::filesystem::exists(project.FilePath));
  ASSERT_TRUE(SaveProject(project));
  ModProject read;
  ASSERT_TRUE(LoadProjectFile(project.FilePath, read));
  EXPECT_EQ(read.ResourceCount, 2);
}

TEST(NewProjectFailures, AProjectThatCannotBeSavedDoesNotReplaceTheOpenOne) {
  test::TempDir dir;
  ModProject open = TwoResourceProject(dir.File("open.mpr"));
  const Status created = NewProject(dir.File("missing/new.mpr"), open);
  EXPECT_FALSE(created.ok());
  EXPECT_EQ(created.Headline(), "Error saving project file!");
  EXPECT_EQ(open.FilePath, dir.File("open.mpr"));
  EXPECT_EQ(open.ResourceCount, 2);
}

TEST(ProjectValues, NamesOfTargetsKindsAndIconFlags) {
  // The indices are stored in files and packages; the order is fixed.
  EXPECT_EQ(FindReplaceTarget("gamedata"), 0);
  EXPECT_EQ(FindReplaceTarget("readme"), kTargetReadme);
  EXPECT_EQ(FindReplaceTarget("icon"), kTargetIcon);
  EXPECT_EQ(FindReplaceTarget("skirmland_x1"), 12);
  EXPECT_FALSE(FindReplaceTarget("Readme"));
  EXPECT_EQ(ReplaceTargetName(8), "language_x1");
  EXPECT_EQ(ReplaceTargetName(13), "target 13");
  EXPECT_EQ(ResourceKindName(KindSLX), "SLX");
  EXPECT_EQ(ResourceKindName(-2), "kind -2");
  // "Building" with civilisation box 3 ticked.
  EXPECT_EQ(IconFlagsValue(1 << 3, 1), 264);
  EXPECT_EQ(IconFlagsValue(255, 3), kMaxIconFlags);
  EXPECT_EQ(IconCategory(264), 1);
  EXPECT_EQ(IconCivilisations(264), 8);
}

}  // namespace
}  // namespace zorv
