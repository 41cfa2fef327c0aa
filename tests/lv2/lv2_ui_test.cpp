// The built LV2 UI module (Cinderpath.lv2/Cinderpath_ui.so) driven the way a
// host drives it, in a window of this test on a private Xvfb: the view in
// the host's window at its fixed size, the panel on screen against the
// plug-in's own off-screen drawing, port events without echo, editor clicks
// written as plain values inside touch gestures, open/close cycles with and
// without idle calls. Also what the two modules link and export.

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <lv2/ui/ui.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "lv2_ui_panel.h"

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
    // Kept mapped after dlclose, as its process-wide caches (images, fonts)
    // stay reachable until the process exits.
    module = dlopen((kBundle + "/Cinderpath_ui.so").c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
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

  // Clicks the left button at (x, y) of the editor.
  void Click(int x, int y)
  {
    int rx = 0, ry = 0;
    Window child;
    XTranslateCoordinates(d, View(), DefaultRootWindow(d), x + 2, y + 2, &rx, &ry, &child);  // view = editor + 2
    XTestFakeMotionEvent(d, -1, rx, ry, CurrentTime);
    XTestFakeButtonEvent(d, 1, True, CurrentTime);
    XTestFakeButtonEvent(d, 1, False, CurrentTime);
    XSync(d, False);
  }

  static void Write(LV2UI_Controller c, uint32_t port, uint32_t size, uint32_t format, const void* buffer)
  {
    auto* self = static_cast<Lv2Ui*>(c);
    ASSERT_EQ(size, sizeof(float));
    ASSERT_EQ(format, 0u);
    self->writes.emplace_back(port, *static_cast<const float*>(buffer));
  }

  void* module = nullptr;
  std::vector<const LV2UI_Descriptor*> descriptors;
  Display* d = nullptr;
  Window parent = 0;
  LV2UI_Widget widget = nullptr;
  std::vector<std::pair<uint32_t, float>> writes;
  std::vector<std::pair<uint32_t, bool>> touches;
  std::vector<std::pair<int, int>> resizes;
  LV2UI_Resize resize{this, [](LV2UI_Feature_Handle h, int w, int hgt) {
                        static_cast<Lv2Ui*>(h)->resizes.emplace_back(w, hgt);
                        return 0;
                      }};
  LV2UI_Touch touch{this, [](LV2UI_Feature_Handle h, uint32_t port, bool grabbed) {
                      static_cast<Lv2Ui*>(h)->touches.emplace_back(port, grabbed);
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
  const Pixels want = HeadlessPanel(sets, 1);
  ASSERT_FALSE(want.empty());
  const struct
  {
    const char* uri;
    uint32_t clipPort;
  } variants[] = {{kStereoURI, kNumParams + 2 + 4}, {kMonoURI, kNumParams + 2 + 2}};
  for (size_t v = 0; v < 2; ++v)
  {
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

}  // namespace
