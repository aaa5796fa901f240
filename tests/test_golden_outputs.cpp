// Every output the command line makes from the real samples, compared with
// the SHA-256 sums of the same outputs as the program made them before its
// core was reshaped: SLX graphics with their bitmaps, SLP files converted
// back, data bitmaps generated for every frame, an icon and a package.
// Conversions promise byte-identical results, so any difference here is a
// change users would see in their files.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/TestSupport.h"

namespace zorv {
namespace {

// The steps, run by bash with the program, the output folder and the
// samples folder as arguments.
constexpr const char* kScript = R"(set -e
Z=$1; O=$2; S=$3
mkdir -p $O/u $O/up $O/s $O/ag $O/p
$Z slp2slx $S/unit.slp $O/u/unit.slx
$Z slp2slx $S/unit.slp $O/up/unit.slx --palette $S/unit.pal
$Z slp2slx $S/screen.slp $O/s/screen.slx --palette $S/screen.pal
$Z slx2slp $O/u/unit.slx $O/unit_back.slp
$Z slx2slp $O/s/screen.slx $O/screen_back.slp
cp $O/u/* $O/ag/
$Z autogen $O/ag/unit.slx --all --shadow-tolerance 30 --player-tolerance 20 >/dev/null
$Z slx2slp $O/ag/unit.slx $O/ag_back.slp
$Z icon $O/u/unit_001.bmp $O/icon.bin --flags 259
printf 'A readme\r\n' > $O/p/readme.txt
cp $S/screen.slp $O/p/
$Z project new $O/p/mod.mpr >/dev/null
$Z project add $O/p/mod.mpr $O/p/readme.txt $O/u/unit.slx $O/p/screen.slp $O/u/unit_002.bmp >/dev/null
$Z compile $O/p/mod.mpr $O/mod.mpi
)";

class GoldenOutputs : public ::testing::Test {
 protected:
  // The steps run once for all the tests here.
  static void SetUpTestSuite() {
    if (test::SamplesDir().empty()) return;
    dir = new test::TempDir;
    test::WriteFileBytes(dir->File("steps.sh"), kScript);
    out = dir->File("out");
    const test::CommandResult run = test::RunCommand("bash " + dir->File("steps.sh") + " " +
                                                     test::ZorvProgram() + " " + out + " " +
                                                     test::SamplesDir());
    steps_status = run.status;
    steps_errors = run.err;
  }
  static void TearDownTestSuite() {
    delete dir;
    dir = nullptr;
  }
  void SetUp() override {
    ZORV_REQUIRE_SAMPLES();
    ASSERT_EQ(steps_status, 0) << steps_errors;
  }

  // The sum of one file.
  static std::string Sum(const std::string& name) {
    const test::CommandResult run = test::RunCommand("sha256sum " + out + "/" + name);
    return run.out.substr(0, 64);
  }
  // The sum of a folder's listing of file sums (the project file, which
  // names full paths, left out).
  static std::string FolderSum(const std::string& name) {
    const test::CommandResult run = test::RunCommand(
        "(cd " + out + "/" + name +
        " && find . -type f ! -name '*.mpr' | sort | xargs sha256sum | sha256sum)");
    return run.out.substr(0, 64);
  }

  static inline test::TempDir* dir = nullptr;
  static inline std::string out;
  static inline int steps_status = -1;
  static inline std::string steps_errors;
};

TEST_F(GoldenOutputs, SLPToSLXWritesTheSameBitmapsAndSLXFiles) {
  // unit.pal is the built-in palette, so both unit conversions agree.
  EXPECT_EQ(FolderSum("u"), "09e34b5881240f6cc7e4c1423fe0023932ba3af0ba607ea0a2fe406a768ca0d9");
  EXPECT_EQ(FolderSum("up"), "09e34b5881240f6cc7e4c1423fe0023932ba3af0ba607ea0a2fe406a768ca0d9");
  EXPECT_EQ(FolderSum("s"), "abd5b02718a06c21cb4cb16da84d11bf10146908f931d7c007a74b20d2fa19ee");
}

TEST_F(GoldenOutputs, SLXToSLPWritesTheSameSLPFiles) {
  EXPECT_EQ(Sum("unit_back.slp"),
            "e138699e3d73ea2a6897a8b31a5fe4dd3d4011e737ef7acf9721b1dba81d1d07");
  EXPECT_EQ(Sum("screen_back.slp"),
            "c15462e19984197e56b4098e4689d810b131404f7909eec80065d69ee305fdbf");
}

TEST_F(GoldenOutputs, AutoGenerationWritesTheSameBitmapsHotSpotsAndSLP) {
  EXPECT_EQ(FolderSum("ag"), "58715a3df94ea3169c8ac5f693431dd004e28fe836f615b1e43749bf162051c0");
  EXPECT_EQ(Sum("ag_back.slp"),
            "c6191dac572926b5fb17badf967f488a492e412ff13ddfaef194cceb0c5eb52d");
}

TEST_F(GoldenOutputs, IconAndPackageAreTheSame) {
  EXPECT_EQ(Sum("icon.bin"), "394914b8a1b91b95602f04121637c127609531dcd3c8e43957bc38a73fa2ce4b");
  EXPECT_EQ(Sum("mod.mpi"), "a27cdfd5c654c487e15c24414cff9a25d6dcca76d6c94def7f62f008bb2d99ca");
}

}  // namespace
}  // namespace zorv
