// Long operations run beside the windows: the windows keep painting and
// hear every progress step in order, yet nothing the user does reaches them
// until the operation has ended.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <pthread.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <future>
#include <stdexcept>
#include <vector>

#include "common/gui/LongOperation.h"

namespace {

// While set, this program gets no new threads from the system, as under a
// limit on threads or memory.
std::atomic<bool> refuse_threads{false};

}  // namespace

// Every thread this program starts is started here, so the tests can refuse
// them; otherwise the system's own pthread_create starts it.
extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attributes, void* (*start)(void*),
                              void* argument) noexcept {
  if (refuse_threads) return EAGAIN;
  using Create = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
  static const auto next = reinterpret_cast<Create>(dlsym(RTLD_NEXT, "pthread_create"));
  return next(thread, attributes, start, argument);
}

namespace zorv::gui {
namespace {

class NoThreadsFromTheSystem {
 public:
  NoThreadsFromTheSystem() { refuse_threads = true; }
  ~NoThreadsFromTheSystem() { refuse_threads = false; }
  NoThreadsFromTheSystem(const NoThreadsFromTheSystem&) = delete;
  NoThreadsFromTheSystem& operator=(const NoThreadsFromTheSystem&) = delete;
};

TEST(LongOperation, StepsReachTheWindowThreadInOrderAndTheResultComesBack) {
  std::vector<int> heard;
  bool on_window_thread = true;
  const Status result = RunLongOperation(
      [](const ProgressSink& sink) {
        for (int i = 1; i <= 200; ++i) sink(ProgressStep{"step", i, 200, 0});
        return Status::Fail("Error creating SLX file!", "the detail");
      },
      [&](const ProgressStep& step) {
        heard.push_back(step.step);
        on_window_thread = on_window_thread && QThread::currentThread() == qApp->thread();
        EXPECT_TRUE(LongOperationRunning());
      });
  ASSERT_EQ(heard.size(), 200u);
  for (int i = 0; i < 200; ++i) EXPECT_EQ(heard[i], i + 1);
  EXPECT_TRUE(on_window_thread);
  EXPECT_EQ(result.message(), "Error creating SLX file!\nthe detail");
  EXPECT_FALSE(LongOperationRunning());
}

TEST(LongOperation, TheWindowThreadKeepsRunningItsEventsMeanwhile) {
  // The work waits for something only the window thread's events can do.
  std::promise<void> painted;
  std::future<void> seen = painted.get_future();
  QTimer::singleShot(0, qApp, [&painted] { painted.set_value(); });
  const Status result = RunLongOperation(
      [&seen](const ProgressSink&) {
        return seen.wait_for(std::chrono::seconds(20)) == std::future_status::ready
                   ? Status::Ok()
                   : Status::Fail("the window thread stood still");
      },
      [](const ProgressStep&) {});
  EXPECT_TRUE(result.ok()) << result.message();
}

TEST(LongOperation, ClicksKeysClosingAndTheWindowsTimersWaitUntilItEnds) {
  QWidget window;
  auto* button = new QPushButton("Add new", &window);
  int clicks = 0;
  QObject::connect(button, &QPushButton::clicked, [&clicks] { ++clicks; });
  auto* animation = new QTimer(&window);
  int ticks = 0;
  QObject::connect(animation, &QTimer::timeout, [&ticks] { ++ticks; });
  window.show();
  bool closed_meanwhile = true;
  int ticks_meanwhile = -1;
  const Status result = RunLongOperation(
      [](const ProgressSink& sink) {
        sink(ProgressStep{"frame", 1, 2, 0});
        // Long enough for a running timer of 1 ms to fire many times.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        sink(ProgressStep{"frame", 2, 2, 0});
        return Status::Ok();
      },
      [&](const ProgressStep& step) {
        if (step.step == 1) {
          animation->start(1);
          QTest::mouseClick(button, Qt::LeftButton);
          QTest::keyClick(button, Qt::Key_Space);
          closed_meanwhile = window.close();
          return;
        }
        QTest::qWait(20);
        ticks_meanwhile = ticks;
      });
  EXPECT_TRUE(result.ok());
  EXPECT_EQ(clicks, 0);
  EXPECT_FALSE(closed_meanwhile);
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(ticks_meanwhile, 0);
  // Afterwards everything reaches the windows again.
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(QTest::qWaitFor([&ticks] { return ticks > 0; }, 5000));
  EXPECT_TRUE(window.close());
}

TEST(LongOperation, AnExceptionInTheWorkIsAFailureNotAnEndOfTheProgram) {
  const Status result = RunLongOperation(
      [](const ProgressSink&) -> Status { throw std::runtime_error("disk on fire"); },
      [](const ProgressStep&) {});
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.message(), "An unexpected error stopped the command:\ndisk on fire");
}

TEST(LongOperation, WithoutAThreadFromTheSystemTheWorkRunsOnTheWindowThreadAndTheNextOneRunsBeside) {
  std::vector<int> heard;
  bool ran_on_window_thread = false;
  bool running_meanwhile = false;
  // Something waiting for the window thread, such as painting a window.
  bool waiting_handled = false;
  bool handled_before_last_step = false;
  QMetaObject::invokeMethod(qApp, [&waiting_handled] { waiting_handled = true; }, Qt::QueuedConnection);
  Status result = Status::Ok();
  {
    NoThreadsFromTheSystem refused;
    result = RunLongOperation(
        [&](const ProgressSink& sink) {
          ran_on_window_thread = QThread::currentThread() == qApp->thread();
          for (int i = 1; i <= 3; ++i) sink(ProgressStep{"frame", i, 3, 0});
          return Status::Fail("Error creating SLX file!", "the detail");
        },
        [&](const ProgressStep& step) {
          heard.push_back(step.step);
          running_meanwhile = LongOperationRunning();
          if (step.step == 3) handled_before_last_step = waiting_handled;
        });
  }
  EXPECT_TRUE(ran_on_window_thread);
  // The window thread's events are not held up until the end.
  EXPECT_TRUE(handled_before_last_step);
  EXPECT_EQ(heard, (std::vector<int>{1, 2, 3}));
  EXPECT_TRUE(running_meanwhile);
  EXPECT_EQ(result.message(), "Error creating SLX file!\nthe detail");
  EXPECT_FALSE(LongOperationRunning());

  // With threads again, the next operation runs beside the windows.
  bool ran_beside = false;
  EXPECT_TRUE(RunLongOperation(
                  [&](const ProgressSink&) {
                    ran_beside = QThread::currentThread() != qApp->thread();
                    return Status::Ok();
                  },
                  [](const ProgressStep&) {})
                  .ok());
  EXPECT_TRUE(ran_beside);
  EXPECT_FALSE(LongOperationRunning());
}

TEST(LongOperation, WorkCanTouchTheWindowsThroughTheWindowThread) {
  bool ran_on_window_thread = false;
  const Status result = RunLongOperation(
      [&](const ProgressSink&) {
        OnWindowThread([&] { ran_on_window_thread = QThread::currentThread() == qApp->thread(); });
        return Status::Ok();
      },
      [](const ProgressStep&) {});
  EXPECT_TRUE(result.ok());
  EXPECT_TRUE(ran_on_window_thread);
}

}  // namespace
}  // namespace zorv::gui
