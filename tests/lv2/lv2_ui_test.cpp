// The built LV2 UI module (Cinderpath.lv2/Cinderpath_ui.so) driven the way a
// host drives it, in a window of this test on a private Xvfb: the view in
// the host's window at its fixed size, the panel on screen against the
// plug-in's own off-screen drawing, port events without echo, editor clicks
// written as plain values inside touch gestures, open/close cycles with and
// without idle calls. Also what the two modules link and export.

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <lv2/log/log.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>
#include <unistd.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "lv2_ui_panel.h"
#include "lv2_urid_map.h"

#include <X11/Xatom.h>
#include <lv2/atom/atom.h>
#include <lv2/options/options.h>

#include <X11/extensions/XTest.h>

#include "xvfb_server.h"

namespace
{
using namespace lv2_ui_panel;

const std::string kBundle = std::string(CINDERPATH_BINARY_DIR) + "/Cinderpath.lv2";
const char kStereoURI[] = "https://cinderpath.example/lv2/cinderpath";
const char kMonoURI[] = "https://cinderpath.example/lv2/cinderpath-mono";

// Output of a shell command.
std::string Shell(const std::string& command)
{
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof(buf), p)) > 0) out.append(buf, n);
  pclose(p);
  return out;
}

TEST(Lv2UiModules, UIModuleExportsOnlyItsDescriptorAndTheProcessingModuleLinksNoX11)
{
  const std::string ui = kBundle + "/Cinderpath_ui.so", dsp = kBundle + "/Cinderpath.so";
  const struct
  {
    std::string command, expected;
    bool contains;
  } checks[] = {
      {"nm -D --defined-only " + ui + " | awk '{print $3}'", "lv2ui_descriptor\n", false},
      {"nm -D --defined-only " + dsp + " | awk '{print $3}'", "lv2_descriptor\n", false},
      // No processing entry point in the UI, not even a local one.
      {"nm " + ui + " | grep -c ' lv2_descriptor$'", "0\n", false},
      {"ldd " + dsp, "libX11", true},
      {"nm -D --undefined-only " + dsp + " | grep -c ' X'", "0\n", false},
      // Both carry what they need: nothing from the build tree beside them.
      {"ldd " + ui + " " + dsp, "macos_compat", true},
  };
  for (const auto& c : checks)
  {
    const std::string out = Shell(c.command);
    if (c.contains)
      EXPECT_EQ(out.find(c.expected), std::string::npos) << c.command << ":\n" << out;
    else
      EXPECT_EQ(out, c.expected) << c.command;
  }
}

// A host of the UI module: its window, its features and what the UI sent it.
class Lv2Ui : public ::testing::Test
{
protected:
  void SetUp() override
  {
    if (!XvfbServer::Get().ok()) GTEST_SKIP() << "no X server: " << XvfbServer::Get().why();
    // Loaded as hosts load it (the module keeps itself mapped).
    module = dlopen((kBundle + "/Cinderpath_ui.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    auto entry = reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(module, "lv2ui_descriptor"));
    ASSERT_NE(entry, nullptr);
    for (uint32_t i = 0; const LV2UI_Descriptor* d = entry(i); ++i) descriptors.push_back(d);
    d = XOpenDisplay(nullptr);
    ASSERT_NE(d, nullptr);
    parent = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, kW, kH, 0, 0, 0);
    XMapWindow(d, parent);
    XSync(d, False);
  }

  void TearDown() override
  {
    if (d)
    {
      XDestroyWindow(d, parent);
      XCloseDisplay(d);
    }
    if (module) dlclose(module);
  }

  LV2UI_Handle Open(const LV2UI_Descriptor* desc, const char* pluginURI, bool withParent = true)
  {
    widget = nullptr;
    const LV2_Feature* features[] = {withParent ? &parentFeature : &resizeFeature, &resizeFeature, &touchFeature,
                                     nullptr};
    return desc->instantiate(desc, pluginURI, kBundle.c_str(), Write, this, &widget, features);
  }

  Window View() const { return (Window)(uintptr_t)widget; }

  void Port(const LV2UI_Descriptor* desc, LV2UI_Handle ui, uint32_t port, float value)
  {
    desc->port_event(ui, port, sizeof(float), 0, &value);
  }

  // Idles the UI until pred holds or about three seconds pass.
  template <class Pred>
  bool IdleUntil(const LV2UI_Descriptor* desc, LV2UI_Handle ui, Pred pred)
  {
    auto idle = static_cast<const LV2UI_Idle_Interface*>(desc->extension_data(LV2_UI__idleInterface));
    for (int i = 0; i < 300; ++i)
    {
      if (idle->idle(ui) != 0) return false;
      if (pred()) return true;
      usleep(10000);
    }
    return pred();
  }

  // Idles the UI 20 times (about 0.2 s): what the editor was sent is done.
  void IdleAWhile(const LV2UI_Descriptor* desc, LV2UI_Handle ui)
  {
    IdleUntil(desc, ui, [n = 0]() mutable { return ++n > 20; });
  }

  // The stereo UI open in the host's window and drawn once; null on failure.
  LV2UI_Handle OpenShown(const LV2UI_Descriptor* desc)
  {
    parentFeature.data = (void*)(uintptr_t)parent;
    LV2UI_Handle ui = Open(desc, kStereoURI);
    if (ui) IdleUntil(desc, ui, [n = 0]() mutable { return ++n > 5; });
    return ui;
  }

  // The view's pixels. The private server's screen is narrower than the
  // editor: the right-hand columns are read with the host window moved left
  // (and the UI idled meanwhile, so that it repaints what came into view).
  Pixels Grab(const LV2UI_Descriptor* desc, LV2UI_Handle ui)
  {
    const int screenW = DisplayWidth(d, DefaultScreen(d));
    const int left = std::min(kW, screenW);
    auto moveTo = [&](int x) {
      XMoveWindow(d, parent, x, 0);
      XSync(d, False);
      int n = 0;
      IdleUntil(desc, ui, [&] { return ++n > 5; });
    };
    Pixels px;
    bool ok = GrabColumns(d, View(), 0, left, &px);
    if (ok && left < kW)
    {
      moveTo(-(kW - left));
      ok = GrabColumns(d, View(), kW - left, left, &px);
      moveTo(0);
    }
    return ok ? px : Pixels();
  }

  // Moves the pointer to (x, y) of the editor (the view's own pixel).
  void MoveTo(int x, int y)
  {
    int rx = 0, ry = 0;
    Window child;
    XTranslateCoordinates(d, View(), DefaultRootWindow(d), x, y, &rx, &ry, &child);
    XTestFakeMotionEvent(d, -1, rx, ry, CurrentTime);
  }

  // Presses (down) or releases a button where the pointer is.
  void Button(unsigned button, bool down)
  {
    XTestFakeButtonEvent(d, button, down ? True : False, CurrentTime);
    XSync(d, False);
  }

  // Clicks the left button at (x, y) of the editor.
  void Click(int x, int y)
  {
    MoveTo(x, y);
    Button(1, true);
    Button(1, false);
  }

  static void Write(LV2UI_Controller c, uint32_t port, uint32_t size, uint32_t format, const void* buffer)
  {
    auto* self = static_cast<Lv2Ui*>(c);
    ASSERT_EQ(size, sizeof(float));
    ASSERT_EQ(format, 0u);
    self->writes.emplace_back(port, *static_cast<const float*>(buffer));
    self->sequence.push_back({'w', port, *static_cast<const float*>(buffer)});
  }

  // What the host saw, in order: 'g'rab, 'w'rite (with its value), 'r'elease.
  struct HostEvent
  {
    char what;
    uint32_t port;
    float value;
    bool operator==(const HostEvent& o) const { return what == o.what && port == o.port && value == o.value; }
    friend void PrintTo(const HostEvent& e, std::ostream* os) { *os << e.what << e.port << "=" << e.value; }
  };
  // The first place where the sequence is not grab, writes, release per
  // port (empty when it always is, and nothing is left open).
  static std::string Unbalanced(const std::vector<HostEvent>& seq)
  {
    std::vector<bool> open(64, false);
    for (size_t i = 0; i < seq.size(); ++i)
    {
      const HostEvent& e = seq[i];
      const bool isOpen = open.at(e.port);
      if ((e.what == 'g' && isOpen) || (e.what != 'g' && !isOpen))
        return std::string(1, e.what) + " on port " + std::to_string(e.port) + " at " + std::to_string(i);
      if (e.what != 'w') open[e.port] = e.what == 'g';
    }
    for (size_t p = 0; p < open.size(); ++p)
      if (open[p]) return "port " + std::to_string(p) + " left grabbed";
    return "";
  }

  void* module = nullptr;
  std::vector<const LV2UI_Descriptor*> descriptors;
  Display* d = nullptr;
  Window parent = 0;
  LV2UI_Widget widget = nullptr;
  std::vector<std::pair<uint32_t, float>> writes;
  std::vector<std::pair<uint32_t, bool>> touches;
  std::vector<HostEvent> sequence;
  std::vector<std::pair<int, int>> resizes;
  LV2UI_Resize resize{this, [](LV2UI_Feature_Handle h, int w, int hgt) {
                        static_cast<Lv2Ui*>(h)->resizes.emplace_back(w, hgt);
                        return 0;
                      }};
  LV2UI_Touch touch{this, [](LV2UI_Feature_Handle h, uint32_t port, bool grabbed) {
                      static_cast<Lv2Ui*>(h)->touches.emplace_back(port, grabbed);
                      static_cast<Lv2Ui*>(h)->sequence.push_back({grabbed ? 'g' : 'r', port, 0.0f});
                    }};
  LV2_Feature parentFeature{LV2_UI__parent, nullptr};
  LV2_Feature resizeFeature{LV2_UI__resize, &resize};
  LV2_Feature touchFeature{LV2_UI__touch, &touch};
};

TEST_F(Lv2Ui, EachVariantShowsThePanelInTheHostWindowAsThePlugInDrawsIt)
{
  ASSERT_EQ(descriptors.size(), 2u);
  parentFeature.data = (void*)(uintptr_t)parent;
  // Settings through the parameter ports (Drive text includes Boost), and
  // the clip port lit; it follows the variant's audio ports.
  const std::vector<Setting> sets = {{kDrive, 9.5}, {kBoost, 12}, {kBias, 7.25}, {kVolume, -6}, {kCutoff, 4.5},
                                     {kLPOn, 1},    {kPeakOn, 1}, {kOS, 8},      {kBypass, 1},  {kOutHPFreq, 40}};
  // The mono variant's Mono switch is greyed out.
  const struct
  {
    const char* uri;
    uint32_t clipPort;
    int nChannels;
  } variants[] = {{kStereoURI, kNumParams + 2 + 4, 2}, {kMonoURI, kNumParams + 2 + 2, 1}};
  for (size_t v = 0; v < 2; ++v)
  {
    const Pixels want = HeadlessPanel(sets, 1, variants[v].nChannels);
    ASSERT_FALSE(want.empty());
    const LV2UI_Descriptor* desc = descriptors[v];
    resizes.clear();
    LV2UI_Handle ui = Open(desc, variants[v].uri);
    ASSERT_NE(ui, nullptr) << variants[v].uri;
    Window root, inParent, *children = nullptr;
    unsigned n = 0;
    XQueryTree(d, View(), &root, &inParent, &children, &n);
    if (children) XFree(children);
    EXPECT_EQ(inParent, parent);
    XWindowAttributes wa;
    ASSERT_TRUE(XGetWindowAttributes(d, View(), &wa));
    EXPECT_EQ(std::make_pair(wa.width, wa.height), std::make_pair(kW, kH));
    EXPECT_EQ(resizes, (std::vector<std::pair<int, int>>{{kW, kH}}));

    for (const Setting& s : sets) Port(desc, ui, (uint32_t)s.idx, (float)s.value);
    Port(desc, ui, variants[v].clipPort, 1.0f);
    Pixels got;
    IdleUntil(desc, ui, [&] { return (got = Grab(desc, ui)) == want; });
    int fx = -1, fy = -1;
    EXPECT_EQ(CountDifferences(got, want, &fx, &fy), 0) << variants[v].uri << ": first at " << fx << "," << fy;
    // What the host sent is not echoed back to it.
    EXPECT_TRUE(writes.empty());
    EXPECT_TRUE(touches.empty());
    desc->cleanup(ui);
  }
}

// The scale, first match wins: the user's CINDERPATH_UI_SCALE, the host's
// ui:scaleFactor option, the X server's Xft.dpi, else 1. The view is made at
// the scaled size and the host hears that size through ui:resize.
TEST_F(Lv2Ui, TheScaleComesFromTheVariableTheHostOrTheScreenAndTheHostHearsTheScaledSize)
{
  parentFeature.data = (void*)(uintptr_t)parent;
  Lv2UridMap urids;
  const struct
  {
    const char* env;  // null: unset
    float host;       // 0: no option
    const char* dpi;  // null: no Xft.dpi resource
    int w, h;
  } cases[] = {
      {nullptr, 2.0f, nullptr, 1560, 400}, {nullptr, 1.5f, "192", 1170, 300}, {"3", 2.0f, nullptr, 2340, 600},
      {nullptr, 0.0f, "192", 1560, 400},   {nullptr, 0.0f, "144", 1170, 300}, {nullptr, 0.0f, nullptr, 780, 200},
      {"7", 0.0f, nullptr, 780, 200},      {nullptr, 1.0f, "192", 780, 200},
  };
  const Window root = DefaultRootWindow(d);
  for (const auto& c : cases)
  {
    const std::string what = std::string(c.env ? c.env : "-") + " " + std::to_string(c.host) + " " +
                             (c.dpi ? c.dpi : "-");
    if (c.env) setenv("CINDERPATH_UI_SCALE", c.env, 1);
    else unsetenv("CINDERPATH_UI_SCALE");
    // The resource as a desktop sets it (xrdb); the editor's own connection
    // reads it when it opens.
    if (c.dpi)
    {
      const std::string db = std::string("Xft.antialias:\t1\nXft.dpi:\t") + c.dpi + "\n";
      XChangeProperty(d, root, XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(db.c_str()), (int)db.size());
    }
    else
    {
      XDeleteProperty(d, root, XA_RESOURCE_MANAGER);
    }
    XSync(d, False);
    const LV2_Options_Option options[] = {
        {LV2_OPTIONS_INSTANCE, 0, urids.Id(LV2_UI__scaleFactor), sizeof(float), urids.Id(LV2_ATOM__Float), &c.host},
        {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
    const LV2_Feature optionsFeature{LV2_OPTIONS__options, (void*)(c.host > 0.0f ? options : options + 1)};
    const LV2_Feature* features[] = {&parentFeature, &resizeFeature, &urids.mapFeature, &optionsFeature, nullptr};
    resizes.clear();
    widget = nullptr;
    const LV2UI_Descriptor* desc = descriptors[0];
    LV2UI_Handle ui = desc->instantiate(desc, kStereoURI, kBundle.c_str(), Write, this, &widget, features);
    ASSERT_NE(ui, nullptr) << what;
    XWindowAttributes wa;
    ASSERT_TRUE(XGetWindowAttributes(d, View(), &wa)) << what;
    EXPECT_EQ(std::make_pair(wa.width, wa.height), std::make_pair(c.w, c.h)) << what;
    EXPECT_EQ(resizes, (std::vector<std::pair<int, int>>{{c.w, c.h}})) << what;
    IdleAWhile(desc, ui);
    desc->cleanup(ui);
  }
  unsetenv("CINDERPATH_UI_SCALE");
  XDeleteProperty(d, root, XA_RESOURCE_MANAGER);
  XSync(d, False);
}

TEST_F(Lv2Ui, EditorClicksWritePlainValuesInsideTouchGestures)
{
  parentFeature.data = (void*)(uintptr_t)parent;
  const LV2UI_Descriptor* desc = descriptors[0];
  LV2UI_Handle ui = Open(desc, kStereoURI);
  ASSERT_NE(ui, nullptr);
  IdleUntil(desc, ui, [] { return false; });  // mapped and drawn; nothing else happens
  const struct
  {
    int x, y;      // a point of the switch, editor pixels
    uint32_t port;
    float value;   // plain: Boost switches between 0 and 12 dB
  } clicks[] = {{570, 60, kBypass, 1.0f}, {345, 65, kBoost, 12.0f}, {570, 60, kBypass, 0.0f}};
  for (const auto& c : clicks)
  {
    writes.clear();
    touches.clear();
    Click(c.x, c.y);
    EXPECT_TRUE(IdleUntil(desc, ui, [&] { return touches.size() == 2; })) << c.port;
    EXPECT_EQ(writes, (std::vector<std::pair<uint32_t, float>>{{c.port, c.value}}));
    EXPECT_EQ(touches, (std::vector<std::pair<uint32_t, bool>>{{c.port, true}, {c.port, false}}));
  }
  desc->cleanup(ui);
}

// The mono variant's greyed Mono switch writes nothing; its Phase switch
// still does.
TEST_F(Lv2Ui, TheMonoVariantsMonoSwitchTakesNoClicks)
{
  parentFeature.data = (void*)(uintptr_t)parent;
  const LV2UI_Descriptor* desc = descriptors[1];
  LV2UI_Handle ui = Open(desc, kMonoURI);
  ASSERT_NE(ui, nullptr);
  IdleUntil(desc, ui, [] { return false; });
  writes.clear();
  Click(635, 60);
  IdleUntil(desc, ui, [] { return false; });
  EXPECT_TRUE(writes.empty());
  Click(700, 60);
  EXPECT_TRUE(IdleUntil(desc, ui, [&] { return !writes.empty(); }));
  EXPECT_EQ(writes, (std::vector<std::pair<uint32_t, float>>{{kPhase, 1.0f}}));
  desc->cleanup(ui);
}

TEST_F(Lv2Ui, RefusesWithoutParentOrForAnotherPlugIn)
{
  parentFeature.data = (void*)(uintptr_t)parent;
  EXPECT_EQ(Open(descriptors[0], kStereoURI, false), nullptr);
  EXPECT_EQ(Open(descriptors[0], "urn:another-plug-in"), nullptr);
}

TEST_F(Lv2Ui, FiftyOpenCloseCyclesWithAndWithoutIdleLeaveNoWindowBehind)
{
  parentFeature.data = (void*)(uintptr_t)parent;
  for (int cycle = 0; cycle < 50; ++cycle)
  {
    const LV2UI_Descriptor* desc = descriptors[(size_t)cycle % 2];
    LV2UI_Handle ui = Open(desc, cycle % 2 ? kMonoURI : kStereoURI);
    ASSERT_NE(ui, nullptr) << cycle;
    Port(desc, ui, kDrive, (float)(cycle % 16));
    // Every third cycle the host never calls idle before closing.
    if (cycle % 3) IdleUntil(desc, ui, [&, n = 0]() mutable { return ++n > 3; });
    desc->cleanup(ui);
  }
  Window root, up, *children = nullptr;
  unsigned n = 0;
  XSync(d, False);
  XQueryTree(d, parent, &root, &up, &children, &n);
  if (children) XFree(children);
  EXPECT_EQ(n, 0u);
}

TEST_F(Lv2Ui, TheHostSeesGrabWritesReleasePerPortWhateverTheEditorReports)
{
  const LV2UI_Descriptor* desc = descriptors[0];
  LV2UI_Handle ui = OpenShown(desc);
  ASSERT_NE(ui, nullptr);
  auto idleAWhile = [&] { IdleAWhile(desc, ui); };

  // A click on a switch: grab, the new value, release, in that order.
  sequence.clear();
  Click(570, 60);
  idleAWhile();
  EXPECT_EQ(sequence, (std::vector<HostEvent>{{'g', kBypass, 0}, {'w', kBypass, 1.0f}, {'r', kBypass, 0}}));

  const struct
  {
    const char* what;
    std::function<void()> act;
  } cases[] = {
      {"double-click on the Drive knob",
       [&] {
         Click(380, 105);
         Click(380, 105);
       }},
      {"right button pressed and released during a drag of the Drive knob",
       [&] {
         MoveTo(380, 105);
         Button(1, true);
         MoveTo(380, 95);
         Button(3, true);
         MoveTo(380, 85);
         Button(3, false);
         MoveTo(380, 80);
         Button(1, false);
       }},
      {"wheel notches over the Volume knob",
       [&] {
         MoveTo(470, 105);
         Button(4, true);
         Button(4, false);
         Button(4, true);
         Button(4, false);
       }},
  };
  for (const auto& c : cases)
  {
    sequence.clear();
    c.act();
    idleAWhile();
    EXPECT_FALSE(sequence.empty()) << c.what;
    EXPECT_EQ(Unbalanced(sequence), "") << c.what;
  }

  // A gesture still open when the host closes the UI is released.
  sequence.clear();
  MoveTo(380, 105);
  Button(1, true);
  MoveTo(380, 90);
  idleAWhile();
  desc->cleanup(ui);
  Button(1, false);
  EXPECT_EQ(Unbalanced(sequence), "");
  ASSERT_FALSE(sequence.empty());
  EXPECT_EQ(sequence.back().what, 'r');
}

TEST_F(Lv2Ui, TheTopRowOfASwitchTogglesItAndTheRowBelowItDoesNot)
{
  const LV2UI_Descriptor* desc = descriptors[0];
  LV2UI_Handle ui = OpenShown(desc);
  ASSERT_NE(ui, nullptr);
  // The Bypass switch is drawn at (550, 50) ... (589, 69).
  const struct
  {
    int x, y;
    std::vector<std::pair<uint32_t, float>> written;
  } clicks[] = {
      {550, 50, {{kBypass, 1.0f}}},  // its top-left pixel
      {589, 50, {{kBypass, 0.0f}}},  // its top-right pixel
      {550, 70, {}},                 // just below it
      {549, 60, {}},                 // just left of it
  };
  for (const auto& c : clicks)
  {
    writes.clear();
    Click(c.x, c.y);
    IdleAWhile(desc, ui);
    EXPECT_EQ(writes, c.written) << c.x << "," << c.y;
  }
  desc->cleanup(ui);
}

// The host's log feature: one string per entry.
struct HostLog
{
  std::vector<std::string> entries;
  LV2_URID errorURID = 7;
  static int Printf(LV2_Log_Handle h, LV2_URID type, const char* fmt, ...)
  {
    va_list args;
    va_start(args, fmt);
    char buf[1024];
    const int n = vsnprintf(buf, sizeof(buf), fmt, args);
    va_end(args);
    auto* self = static_cast<HostLog*>(h);
    self->entries.push_back((type == self->errorURID ? "error: " : "other: ") + std::string(buf));
    return n;
  }
  static int VPrintf(LV2_Log_Handle h, LV2_URID type, const char* fmt, va_list args)
  {
    char buf[1024];
    const int n = vsnprintf(buf, sizeof(buf), fmt, args);
    static_cast<HostLog*>(h)->entries.push_back(std::to_string(type) + buf);
    return n;
  }
  static LV2_URID Map(LV2_URID_Map_Handle h, const char* uri)
  {
    return std::string(uri) == LV2_LOG__Error ? static_cast<HostLog*>(h)->errorURID : 1;
  }
};

// Top-level windows on the server.
unsigned TopLevels(Display* d)
{
  Window root, up, *children = nullptr;
  unsigned n = 0;
  XSync(d, False);
  XQueryTree(d, DefaultRootWindow(d), &root, &up, &children, &n);
  if (children) XFree(children);
  return n;
}

TEST_F(Lv2Ui, RefusalsCreateNothingAndSayWhyThroughTheHostsLogElseOnStderr)
{
  HostLog hostLog;
  LV2_Log_Log log{&hostLog, HostLog::Printf, HostLog::VPrintf};
  LV2_URID_Map map{&hostLog, HostLog::Map};
  LV2_Feature logFeature{LV2_LOG__log, &log}, mapFeature{LV2_URID__map, &map};
  LV2_Feature badParent{LV2_UI__parent, (void*)(uintptr_t)0x7ffffff};
  LV2_Feature goodParent{LV2_UI__parent, (void*)(uintptr_t)parent};
  const struct
  {
    const char* what;
    const char* pluginURI;
    std::vector<const LV2_Feature*> features;
    const char* reason;  // a piece of the one line
  } cases[] = {
      {"no parent", kStereoURI, {&resizeFeature, &logFeature, &mapFeature}, "no parent window"},
      {"a parent that is no window", kStereoURI, {&badParent, &logFeature, &mapFeature}, "is no window"},
      {"another plug-in", "urn:another-plug-in", {&goodParent, &logFeature, &mapFeature}, "not <urn:another-plug-in>"},
  };
  const unsigned before = TopLevels(d);
  for (const auto& c : cases)
  {
    hostLog.entries.clear();
    std::vector<const LV2_Feature*> features = c.features;
    features.push_back(nullptr);
    widget = nullptr;
    EXPECT_EQ(descriptors[0]->instantiate(descriptors[0], c.pluginURI, kBundle.c_str(), Write, this, &widget,
                                          features.data()),
              nullptr)
        << c.what;
    EXPECT_EQ(TopLevels(d), before) << c.what << ": no window left behind";
    ASSERT_EQ(hostLog.entries.size(), 1u) << c.what;
    EXPECT_EQ(hostLog.entries[0].rfind("error: ", 0), 0u) << hostLog.entries[0];
    EXPECT_NE(hostLog.entries[0].find(c.reason), std::string::npos) << hostLog.entries[0];
    EXPECT_EQ(std::count(hostLog.entries[0].begin(), hostLog.entries[0].end(), '\n'), 1) << hostLog.entries[0];
  }
  // Without a log feature the line goes to stderr.
  testing::internal::CaptureStderr();
  const LV2_Feature* bare[] = {&badParent, nullptr};
  EXPECT_EQ(descriptors[0]->instantiate(descriptors[0], kStereoURI, kBundle.c_str(), Write, this, &widget, bare),
            nullptr);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("is no window"), std::string::npos) << err;
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
}

}  // namespace
