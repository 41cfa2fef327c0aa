// The class registry and the UI run loop's event sources.
#include <gtest/gtest.h>

#include <MacOSCompat/ClassRegistry.h>
#include <MacOSCompat/UIRunLoop.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

class Thing : public CompatObject {
 public:
  const char* description() const override { return "thing"; }
  void release() override { delete this; }
};
CompatObject* MakeThing() { return new Thing; }
CompatObject* MakeOther() { return nullptr; }

TEST(ClassRegistry, FirstRegistrationHoldsUntilItsOwnerTakesItAway) {
  struct Step {
    const char* what;
    bool add;  // register (else unregister)
    const char* name;
    CompatClassMaker make;
    bool result;                 // of a registration
    CompatClassMaker afterward;  // what the lookup of "Thing_View" gives then
  } steps[] = {
    {"first", true, "Thing_View", MakeThing, true, MakeThing},
    {"same name again", true, "Thing_View", MakeOther, false, MakeThing},
    {"empty name", true, "", MakeThing, false, MakeThing},
    {"null maker", true, "Other", nullptr, false, MakeThing},
    {"another's maker cannot take it", false, "Thing_View", MakeOther, false, MakeThing},
    {"its owner can", false, "Thing_View", MakeThing, false, nullptr},
  };
  for (const Step& s : steps) {
    if (s.add)
      EXPECT_EQ(CompatRegisterClass(s.name, s.make), s.result) << s.what;
    else
      CompatUnregisterClass(s.name, s.make);
    EXPECT_EQ(CompatLookUpClass("Thing_View"), s.afterward) << s.what;
  }
  EXPECT_EQ(CompatLookUpClass(nullptr), nullptr);
}

struct Pipe {
  int fds[2] = {-1, -1};
  int dispatched = 0;
  Pipe() { EXPECT_EQ(pipe(fds), 0); }
  ~Pipe() {
    close(fds[0]);
    close(fds[1]);
  }
  static int Fd(void* ctx) { return static_cast<Pipe*>(ctx)->fds[0]; }
  static void Dispatch(void* ctx) {
    Pipe* p = static_cast<Pipe*>(ctx);
    ++p->dispatched;
    char c;
    while (p->Readable() && read(p->fds[0], &c, 1) == 1) {
    }
  }
  bool Readable() const {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(fds[0], &set);
    timeval none = {0, 0};
    return select(fds[0] + 1, &set, nullptr, nullptr, &none) > 0;
  }
};

TEST(UIRunLoop, SourcesDispatchOnEveryPumpAndEndTheWaitWhenReadable) {
  Pipe a, b;
  const int ida = CompatRunLoopAddSource(Pipe::Fd, Pipe::Dispatch, &a);
  const int idb = CompatRunLoopAddSource(Pipe::Fd, Pipe::Dispatch, &b);
  ASSERT_GT(ida, 0);
  ASSERT_GT(idb, 0);
  EXPECT_EQ(CompatRunLoopAddSource(nullptr, Pipe::Dispatch, &a), 0);
  CompatRunLoopPump(0.0);
  EXPECT_GT(a.dispatched, 0);
  EXPECT_GT(b.dispatched, 0);
  // A source that becomes readable ends a long wait.
  std::thread writer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(write(b.fds[1], "x", 1), 1);
  });
  const double t0 = CompatRunLoopNow();
  CompatRunLoopPump(30.0);
  writer.join();
  EXPECT_LT(CompatRunLoopNow() - t0, 5.0);
  EXPECT_FALSE(b.Readable()) << "dispatched once readable";
  // A removed source is not called again.
  CompatRunLoopRemoveSource(ida);
  const int before = a.dispatched;
  CompatRunLoopPump(0.0);
  EXPECT_EQ(a.dispatched, before);
  CompatRunLoopRemoveSource(idb);
  CompatRunLoopRemoveSource(idb);  // unknown now: ignored
}

// An editor whose redraw timer another thread removes and then frees: the
// proc must never run on it once removal has returned, and a proc removing
// its own timer must not wait for itself.
TEST(UIRunLoop, RemovalFromAnotherThreadWaitsForARunningProc) {
  struct Editor {
    std::atomic<bool> alive{true};
    std::atomic<bool> entered{false};
    std::atomic<int> firedOnFreed{0};
    int selfId = 0;
    static void Redraw(void* ctx) {
      Editor* e = static_cast<Editor*>(ctx);
      e->entered = true;
      std::this_thread::sleep_for(std::chrono::milliseconds(150));
      if (!e->alive) ++e->firedOnFreed;  // a use of freed memory in real life
    }
    static void RemoveSelf(void* ctx) {
      Editor* e = static_cast<Editor*>(ctx);
      CompatRunLoopRemoveTimer(e->selfId);
      e->entered = true;
    }
  };
  Editor editor;
  const int id = CompatRunLoopAddTimer(0.001, Editor::Redraw, &editor);
  ASSERT_GT(id, 0);
  std::thread ui([] {
    const double until = CompatRunLoopNow() + 1.0;
    while (CompatRunLoopNow() < until) CompatRunLoopPump(0.01);
  });
  while (!editor.entered) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  CompatRunLoopRemoveTimer(id);
  editor.alive = false;
  ui.join();
  EXPECT_EQ(editor.firedOnFreed, 0);

  Editor self;
  self.selfId = CompatRunLoopAddTimer(0.001, Editor::RemoveSelf, &self);
  const double until = CompatRunLoopNow() + 1.0;
  while (!self.entered && CompatRunLoopNow() < until) CompatRunLoopPump(0.01);
  EXPECT_TRUE(self.entered);
  EXPECT_LT(CompatRunLoopSecondsUntilNext(CompatRunLoopNow()), 0.0) << "no timer left";
}

}  // namespace
