// Conversions, compiles and auto-generation running at the same time on
// several threads give exactly the files they give one after the other.
// The core keeps no state between calls; this runs the real samples through
// every kind of job at once so that a shared cache, a shared temporary
// file or a shared read position would show as different bytes (and, in
// the ThreadSanitizer build, as a reported race).
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "autogen/AutoGen.h"
#include "codec/DIBSection.h"
#include "codec/ExportFrames.h"
#include "codec/Palettes.h"
#include "codec/SLPReader.h"
#include "codec/SLPWriter.h"
#include "codec/SLX.h"
#include "common/FileIO.h"
#include "package/MPICode.h"
#include "project/ModProject.h"
#include "project/ResourceList.h"
#include "tests/support/TestSupport.h"

namespace zorv {
namespace {

namespace fs = std::filesystem;

// Every file below folder, by its path relative to it, with its bytes.
using Files = std::map<std::string, std::string>;

Files FilesBelow(const fs::path& folder) {
  Files files;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    if (entry.is_regular_file())
      files[fs::relative(entry.path(), folder).string()] =
          test::ReadFileBytes(entry.path().string());
  return files;
}

// One kind of work: given a fresh folder of its own, writes its outputs
// there (or fails).
struct Job {
  std::string name;
  std::function<Status(const fs::path& out)> run;
};

class Concurrency : public ::testing::Test {
 protected:
  void SetUp() override {
    ZORV_REQUIRE_SAMPLES();
    samples = test::SamplesDir();
    ASSERT_TRUE(LoadPalette(samples + "screen.pal", screen_palette));
    // Inputs made once, read by every job and never written.
    const fs::path inputs = dir.path() / "inputs";
    fs::create_directories(inputs / "unit");
    fs::create_directories(inputs / "screen");
    unit_slx = (inputs / "unit" / "unit.slx").string();
    screen_slx = (inputs / "screen" / "screen.slx").string();
    ASSERT_TRUE(ConvertSLPToSLX(samples + "unit.slp", unit_slx, Palette::BuiltIn()));
    ASSERT_TRUE(ConvertSLPToSLX(samples + "screen.slp", screen_slx, screen_palette));
    readme = (inputs / "readme.txt").string();
    test::WriteFileBytes(readme, "A readme\r\n");
    icon = (inputs / "unit" / "unit_002.bmp").string();
    ASSERT_TRUE(ReadWholeFile(samples + "screen.slp", screen_bytes));
    // The compiler's temporary folders go here, shared by every compile.
    temp = (dir.path() / "temp").string();
    fs::create_directories(temp);
    previous_temp_ = std::getenv("TEMP") ? std::getenv("TEMP") : "";
    had_temp_ = std::getenv("TEMP") != nullptr;
    setenv("TEMP", temp.c_str(), 1);
  }
  void TearDown() override {
    if (had_temp_)
      setenv("TEMP", previous_temp_.c_str(), 1);
    else
      unsetenv("TEMP");
  }

  std::vector<Job> Jobs() const {
    std::vector<Job> jobs;
    jobs.push_back({"decode unit", [this](const fs::path& out) {
                      return ConvertSLPToSLX(samples + "unit.slp", (out / "unit.slx").string(),
                                             Palette::BuiltIn());
                    }});
    // One palette value loaded from a file, shared by every thread.
    jobs.push_back({"decode screen", [this](const fs::path& out) {
                      return ConvertSLPToSLX(samples + "screen.slp",
                                             (out / "screen.slx").string(), screen_palette);
                    }});
    jobs.push_back({"encode unit", [this](const fs::path& out) {
                      SLXGraphic graphic;
                      if (Status loaded = LoadSLX(unit_slx, graphic); !loaded) return loaded;
                      return ConvertSLXToSLP(graphic, (out / "unit.slp").string(),
                                             Palette::BuiltIn());
                    }});
    jobs.push_back({"encode screen", [this](const fs::path& out) {
                      SLXGraphic graphic;
                      if (Status loaded = LoadSLX(screen_slx, graphic); !loaded) return loaded;
                      return ConvertSLXToSLP(graphic, (out / "screen.slp").string(),
                                             Palette::BuiltIn());
                    }});
    jobs.push_back({"compile", [this](const fs::path& out) {
                      ModProject project = MakeNewProject((out / "mod.mpr").string());
                      int16_t number = 0;
                      for (const std::string& file :
                           {readme, unit_slx, samples + "screen.slp", icon})
                        if (Status added = ImportResource(project, file, number); !added)
                          return added;
                      project.Resource(number).IconFlags = 259;
                      return CompileMPI(project, (out / "mod.mpi").string());
                    }});
    jobs.push_back({"generate data", [this](const fs::path& out) {
                      // A copy of the unit graphic of its own, rewritten frame by frame.
                      for (const auto& entry : fs::directory_iterator(fs::path(unit_slx).parent_path()))
                        fs::copy_file(entry.path(), out / entry.path().filename());
                      SLXGraphic graphic;
                      if (Status loaded = LoadSLX((out / "unit.slx").string(), graphic); !loaded)
                        return loaded;
                      AutoGenOptions options;
                      options.ShadowTolerance = 30;
                      options.PlayerTolerance = 20;
                      const AutoGenBatch batch = GenerateAllDataBitmaps(graphic, options);
                      if (!batch.status) return batch.status;
                      return batch.Failed == 0 ? Status::Ok() : Status::Fail("a frame failed");
                    }});
    jobs.push_back({"in memory", [this](const fs::path& out) {
                      const SLPFile file(screen_bytes);
                      std::vector<FrameBitmaps> frames;
                      if (Status decoded = DecodeSLP(file, screen_palette, frames); !decoded)
                        return decoded;
                      std::string bytes;
                      if (Status encoded = EncodeSLP(frames, screen_palette, bytes); !encoded)
                        return encoded;
                      return WriteFileSafely((out / "again.slp").string(), bytes);
                    }});
    // Frames exported as PNG: one shared palette, one matcher per job.
    jobs.push_back({"export unit", [this](const fs::path& out) {
                      ExportSettings settings;
                      settings.Render.Player = 2;
                      settings.Render.Outlines = true;
                      return ExportSLPFrames(samples + "unit.slp", out.string(), "unit",
                                             Palette::BuiltIn(), settings);
                    }});
    jobs.push_back({"export screen", [this](const fs::path& out) {
                      ExportSettings settings;
                      settings.Format = ExportFormat::kIndexed;
                      return ExportSLPFrames(samples + "screen.slp", out.string(), "screen",
                                             screen_palette, settings);
                    }});
    jobs.push_back({"export unit SLX", [this](const fs::path& out) {
                      ExportSettings settings;
                      settings.Render.Player = 8;
                      return ExportSLXFrames(unit_slx, out.string(), "unit", Palette::BuiltIn(),
                                             settings);
                    }});
    return jobs;
  }

  // Runs the job into a new folder of its own; gives what it wrote.
  Files RunInto(const Job& job, const std::string& folder_name, Status& status) const {
    const fs::path out = dir.path() / folder_name;
    fs::create_directories(out);
    status = job.run(out);
    return FilesBelow(out);
  }

  test::TempDir dir;
  std::string samples, unit_slx, screen_slx, readme, icon, temp, screen_bytes;
  Palette screen_palette;

 private:
  std::string previous_temp_;
  bool had_temp_ = false;
};

TEST_F(Concurrency, JobsRunTogetherWriteWhatTheyWriteOneAfterTheOther) {
  const std::vector<Job> jobs = Jobs();
  std::vector<Files> expected(jobs.size());
  for (size_t j = 0; j < jobs.size(); ++j) {
    Status status = Status::Ok();
    expected[j] = RunInto(jobs[j], "alone-" + std::to_string(j), status);
    ASSERT_TRUE(status) << jobs[j].name << ": " << status.message();
    ASSERT_FALSE(expected[j].empty()) << jobs[j].name << " wrote nothing";
  }

  // Every job three times over, all at once.
  constexpr int kCopies = 3;
  const size_t runs = jobs.size() * kCopies;
  std::vector<Files> written(runs);
  std::vector<Status> statuses(runs, Status::Ok());
  std::vector<std::thread> threads;
  for (size_t r = 0; r < runs; ++r)
    threads.emplace_back([&, r] {
      written[r] = RunInto(jobs[r % jobs.size()], "together-" + std::to_string(r), statuses[r]);
    });
  for (std::thread& thread : threads) thread.join();

  for (size_t r = 0; r < runs; ++r) {
    const Job& job = jobs[r % jobs.size()];
    ASSERT_TRUE(statuses[r]) << job.name << ": " << statuses[r].message();
    const Files& want = expected[r % jobs.size()];
    ASSERT_EQ(written[r].size(), want.size()) << job.name;
    for (const auto& [name, bytes] : want) {
      const auto found = written[r].find(name);
      ASSERT_NE(found, written[r].end()) << job.name << ": " << name << " is missing";
      EXPECT_TRUE(found->second == bytes) << job.name << ": " << name << " differs";
    }
  }
  // The compiles left no temporary folder behind.
  EXPECT_TRUE(fs::is_empty(temp));
}

TEST_F(Concurrency, ThreadsDecodingFramesOfOneOpenFileGetTheFramesAlone) {
  SLPFile file;
  SLPHeader header;
  std::vector<SLPFrameInfo> frames;
  ASSERT_TRUE(ReadSLPHeader(samples + "unit.slp", file, header, frames));
  ASSERT_GT(frames.size(), 8u);
  std::vector<std::string> alone(frames.size());
  for (size_t i = 0; i < frames.size(); ++i) {
    cDIBSection colour, data;
    ASSERT_TRUE(DecodeSLPFrame(file, frames[i], Palette::BuiltIn(), colour, data));
    alone[i] = colour.BMPBytes() + data.BMPBytes();
  }
  // Four threads read the one file on disk, each every frame.
  constexpr int kThreads = 4;
  std::vector<std::vector<std::string>> together(kThreads,
                                                 std::vector<std::string>(frames.size()));
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      for (size_t k = 0; k < frames.size(); ++k) {
        // Each thread goes through the frames in its own order.
        const size_t i = (k + static_cast<size_t>(t) * 13) % frames.size();
        cDIBSection colour, data;
        if (DecodeSLPFrame(file, frames[i], Palette::BuiltIn(), colour, data))
          together[t][i] = colour.BMPBytes() + data.BMPBytes();
      }
    });
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t)
    for (size_t i = 0; i < frames.size(); ++i)
      EXPECT_TRUE(together[t][i] == alone[i]) << "thread " << t << ", frame " << i + 1;
}

}  // namespace
}  // namespace zorv
