// The resource list: the import table, removal and moves with the entry
// selected afterwards, list lines and the name and ID box rules.
#include <gtest/gtest.h>

#include "project/ResourceList.h"
#include "tests/support/TestSupport.h"

namespace zorv {
namespace {

// Imports path into project and returns the number the new entry got; the
// number is 0 when the import failed.
int16_t Import(ModProject& project, const std::string& path, Status& status) {
  int16_t number = -1;  // the import must set it either way
  status = ImportResource(project, path, number);
  return number;
}

int16_t Import(ModProject& project, const std::string& path) {
  Status status = Status::Ok();
  const int16_t number = Import(project, path, status);
  EXPECT_TRUE(status.ok()) << status.message();
  return number;
}

// A project whose entries are named by the given names (as .bin files).
ModProject ProjectOf(std::initializer_list<const char*> names) {
  ModProject project = MakeNewProject("p.mpr");
  for (const char* name : names)
    EXPECT_GT(Import(project, std::string("/data/") + name + ".bin"), 0);
  return project;
}

std::vector<std::string> Order(const ModProject& project) {
  std::vector<std::string> names;
  for (int32_t i = 1; i <= project.ResourceCount; ++i)
    names.push_back(project.Resource(i).Name);
  return names;
}

using Names = std::vector<std::string>;

TEST(ImportTable, SlpInCapitalsFromAWindowsFolder) {
  ModProject project = MakeNewProject("p.mpr");
  EXPECT_EQ(Import(project, "C:\\mods\\Art\\0815.SLP"), 1);
  ASSERT_EQ(project.ResourceCount, 1);
  ASSERT_EQ(project.Resources.size(), 1u);  // the empty slot was taken
  const ProjectResource& r = project.Resource(1);
  EXPECT_EQ(r.Name, "0815");
  EXPECT_EQ(r.FilePath, "C:\\mods\\Art\\0815.SLP");
  EXPECT_EQ(r.Kind, KindSLP);
  EXPECT_EQ(r.ReplaceTarget, 1);
  EXPECT_EQ(r.ResourceID, 815);
  EXPECT_EQ(r.IconFlags, 0);
  EXPECT_EQ(ResourceListLines(project), Names{"[0815]"});
}

TEST(ImportTable, EveryExtensionGetsItsKindTargetAndID) {
  struct Case {
    const char* path;
    const char* name;
    int16_t kind;
    int16_t target;
    int32_t id;
  } cases[] = {
      {"/m/README.TXT", "readme", KindFile, 5, 0},
      {"/m/1234.slp", "1234", KindSLP, 1, 1234},
      {"/m/dust.wav", "dust", KindWAV, 3, 0},
      {"/m/5001 Horse.Wav", "5001 horse", KindWAV, 3, 5001},
      {"/m/20.bin", "20", KindBIN, 0, 20},
      {"/m/300a.SLX", "300a", KindSLX, 1, 300},
      {"/m/77.bmp", "77", KindBMP, 7, 0},  // icons take no number from the name
      {"/m/Shield.PNG", "shield", KindBMP, 7, 0},  // a PNG icon is an icon too
      {"/m/lang.DLL", "lang", KindFile, 6, 0},
      {"/m/9.dat", "9", KindFile, 10, 0},
      {"/m/run.exe", "run", KindFile, 12, 0},
      // The number from the name is rounded, halves to even.
      {"/m/2.5.slp", "2.5", KindSLP, 1, 2},
      {"/m/3.5.wav", "3.5", KindWAV, 3, 4},
      {"/m/-3.5.bin", "-3.5", KindBIN, 0, -4},
      {"/m/  42 x.slx", "  42 x", KindSLX, 1, 42},
      {"/m/99999999999.slp", "99999999999", KindSLP, 1, INT32_MAX},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    auto r = ResourceForFile(c.path);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->Name, c.name);
    EXPECT_EQ(r->FilePath, c.path);
    EXPECT_EQ(r->Kind, c.kind);
    EXPECT_EQ(r->ReplaceTarget, c.target);
    EXPECT_EQ(r->ResourceID, c.id);
    EXPECT_EQ(r->IconFlags, 0);
  }
}

TEST(ImportTable, OtherExtensionsAreRefusedAndChangeNothing) {
  ModProject project = ProjectOf({"1", "2"});
  for (const char* path : {"/m/picture.gif", "/m/noextension", "/m/my.folder/readme",
                           "/m/archive.slp.gz", "/m/dotted.", "slp"}) {
    SCOPED_TRACE(path);
    Status status = Status::Ok();
    EXPECT_EQ(Import(project, path, status), 0);
    EXPECT_FALSE(status.ok());
    EXPECT_EQ(status.Headline(), "Unrecognised file extension!");
    EXPECT_EQ(status.Detail(), path);
    EXPECT_EQ(project.ResourceCount, 2);
    EXPECT_EQ(Order(project), (Names{"1", "2"}));
  }
}

TEST(ImportTable, NewEntriesGoLastAndTheListLinesFollow) {
  ModProject project = ProjectOf({"10", "20"});
  EXPECT_EQ(Import(project, "/x/Third.WAV"), 3);
  EXPECT_EQ(Order(project), (Names{"10", "20", "third"}));
  EXPECT_EQ(ResourceListLines(project), (Names{"[10]", "[20]", "[third]"}));
}

TEST(ImportTable, AFullProjectTakesNoMoreEntries) {
  ModProject project = MakeNewProject("p.mpr");
  project.ResourceCount = kMaxResources;
  project.Resources.resize(static_cast<size_t>(kMaxResources));
  Status status = Status::Ok();
  EXPECT_EQ(Import(project, "/m/1.slp", status), 0);
  EXPECT_FALSE(status.ok());
  EXPECT_EQ(status.Headline(), "The project cannot hold more than 32767 resources!");
  EXPECT_EQ(project.ResourceCount, kMaxResources);
}

TEST(RemoveEntries, SelectionMovesToTheFollowingOrTheNewLastEntry) {
  {
    ModProject project = ProjectOf({"a", "b", "c"});
    EXPECT_EQ(RemoveResource(project, 3), 2);  // the last: the new last
    EXPECT_EQ(Order(project), (Names{"a", "b"}));
  }
  {
    ModProject project = ProjectOf({"a", "b", "c"});
    EXPECT_EQ(RemoveResource(project, 1), 1);  // the first: the new first
    EXPECT_EQ(Order(project), (Names{"b", "c"}));
  }
  {
    ModProject project = ProjectOf({"a", "b", "c", "d"});
    EXPECT_EQ(RemoveResource(project, 2), 2);  // the one that followed: c
    EXPECT_EQ(Order(project), (Names{"a", "c", "d"}));
    EXPECT_EQ(project.ResourceCount, 3);
    EXPECT_EQ(project.Resources.size(), 3u);
  }
}

TEST(RemoveEntries, RemovingTheOnlyEntryLeavesTheEmptySlot) {
  ModProject project = ProjectOf({"a"});
  EXPECT_FALSE(CanRemoveResource(project, 1));
  EXPECT_EQ(RemoveResource(project, 1), 0);
  EXPECT_EQ(project.ResourceCount, 0);
  EXPECT_EQ(project.Resources.size(), 1u);
  EXPECT_TRUE(ResourceListLines(project).empty());
}

TEST(RemoveEntries, NumbersOutsideTheListChangeNothing) {
  ModProject project = ProjectOf({"a", "b"});
  EXPECT_EQ(RemoveResource(project, 0), 0);
  EXPECT_EQ(RemoveResource(project, 3), 3);
  EXPECT_EQ(Order(project), (Names{"a", "b"}));
  EXPECT_TRUE(CanRemoveResource(project, 2));
  EXPECT_FALSE(CanRemoveResource(project, 0));
}

TEST(MoveEntries, DownSwapsWithTheNextAndFollowsTheEntry) {
  ModProject project = ProjectOf({"a", "b", "c"});
  EXPECT_TRUE(CanMoveDown(project, 2));
  int16_t current = MoveResource(project, 2, MoveDirection::Down);
  EXPECT_EQ(current, 3);
  EXPECT_EQ(Order(project), (Names{"a", "c", "b"}));
  EXPECT_FALSE(CanMoveDown(project, current));
  EXPECT_TRUE(CanMoveUp(project, current));
}

TEST(MoveEntries, UpSwapsWithThePreviousAndFollowsTheEntry) {
  ModProject project = ProjectOf({"a", "b", "c"});
  int16_t current = MoveResource(project, 3, MoveDirection::Up);
  EXPECT_EQ(current, 2);
  EXPECT_EQ(Order(project), (Names{"a", "c", "b"}));
  current = MoveResource(project, current, MoveDirection::Up);
  EXPECT_EQ(current, 1);
  EXPECT_EQ(Order(project), (Names{"c", "a", "b"}));
  EXPECT_FALSE(CanMoveUp(project, current));
}

TEST(MoveEntries, MovesPastEitherEndChangeNothing) {
  ModProject project = ProjectOf({"a", "b"});
  EXPECT_EQ(MoveResource(project, 1, MoveDirection::Up), 1);
  EXPECT_EQ(MoveResource(project, 2, MoveDirection::Down), 2);
  EXPECT_EQ(MoveResource(project, 5, MoveDirection::Up), 5);
  EXPECT_EQ(Order(project), (Names{"a", "b"}));
  ModProject single = ProjectOf({"a"});
  EXPECT_FALSE(CanMoveUp(single, 1));
  EXPECT_FALSE(CanMoveDown(single, 1));
}

TEST(NameBox, RenamingChangesTheLineAndOnlyWhenTheTextDiffers) {
  ModProject project = ProjectOf({"a", "b"});
  EXPECT_FALSE(RenameResource(project, 2, "b"));
  EXPECT_TRUE(RenameResource(project, 2, "New Name"));
  EXPECT_TRUE(RenameResource(project, 1, ""));
  EXPECT_EQ(ResourceListLines(project), (Names{"[]", "[New Name]"}));
  EXPECT_FALSE(RenameResource(project, 3, "x"));
}

TEST(IDBox, FloorOfTheLeadingNumber) {
  ProjectResource r;
  r.ResourceID = 5;
  ResourceIDTextChanged(r, "12.7");
  EXPECT_EQ(r.ResourceID, 12);
  EXPECT_EQ(ResourceIDTextLeft(r, "12.7"), "12");
  ResourceIDTextChanged(r, "-3.5");
  EXPECT_EQ(r.ResourceID, -4);
  EXPECT_EQ(ResourceIDTextLeft(r, "a12"), "0");
  EXPECT_EQ(r.ResourceID, 0);
  EXPECT_EQ(ResourceIDTextLeft(r, "  77 rest"), "77");
  EXPECT_EQ(ResourceIDTextLeft(r, "-2147483648"), "-2147483648");
}

TEST(IDBox, ValuesOutsideTheRangeKeepTheID) {
  ProjectResource r;
  r.ResourceID = 31;
  ResourceIDTextChanged(r, "2147483648");
  EXPECT_EQ(r.ResourceID, 31);
  EXPECT_EQ(ResourceIDTextLeft(r, "-2147483648.5"), "31");
  EXPECT_EQ(ResourceIDFromText("2147483647.9"), INT32_MAX);
  EXPECT_FALSE(ResourceIDFromText("99999999999"));
}

TEST(ListAndFile, ImportedEntriesSurviveSaveAndOpen) {
  test::TempDir dir;
  ModProject project = MakeNewProject(dir.File("p.mpr"));
  EXPECT_EQ(Import(project, "C:\\mods\\Art\\0815.SLP"), 1);
  EXPECT_EQ(Import(project, "/m/README.TXT"), 2);
  EXPECT_EQ(Import(project, "/m/icon.bmp"), 3);
  project.Resource(3).IconFlags = 264;
  MoveResource(project, 1, MoveDirection::Down);
  ASSERT_TRUE(SaveProject(project));
  ModProject read;
  ASSERT_TRUE(OpenProject(project.FilePath, read));
  EXPECT_EQ(Order(read), (Names{"readme", "0815", "icon"}));
  EXPECT_EQ(read.Resource(2).ResourceID, 815);
  EXPECT_EQ(read.Resource(3).IconFlags, 264);
  EXPECT_EQ(read.Resource(1).ReplaceTarget, kTargetReadme);
}

}  // namespace
}  // namespace zorv
