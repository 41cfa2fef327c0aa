// The UI module loaded, opened, closed and unloaded by the system's UI
// loading library as the common hosts use it: the host's process must keep
// working afterwards, X errors of its own included, and must not collect
// descriptors however often the editor opens.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <dirent.h>
#include <lv2/ui/ui.h>
#include <suil/suil.h>

#include <cstdint>
#include <cstdlib>
#include <utility>
#include <string>

#include <lv2/atom/atom.h>
#include <lv2/options/options.h>

#include "lv2_urid_map.h"
#include "xvfb_server.h"

namespace
{
const std::string kBundle = std::string(CINDERPATH_BINARY_DIR) + "/Cinderpath.lv2/";
const char kPluginURI[] = "https://cinderpath.example/lv2/cinderpath";
const char kUiURI[] = "https://cinderpath.example/lv2/cinderpath#ui";

int OpenDescriptors()
{
  int n = 0;
  if (DIR* dir = opendir("/proc/self/fd"))
  {
    while (readdir(dir)) ++n;
    closedir(dir);
  }
  return n;
}

// The host's own X error handlers: one it had from the start, and one it
// installs over whatever is there while an editor is open, passing errors on.
int s_hostErrors = 0, s_laterErrors = 0;
XErrorHandler s_underLater = nullptr;
int HostHandler(Display*, XErrorEvent*)
{
  ++s_hostErrors;
  return 0;
}
int LaterHandler(Display* d, XErrorEvent* e)
{
  ++s_laterErrors;
  return s_underLater ? s_underLater(d, e) : 0;
}

void Write(SuilController, uint32_t, uint32_t, uint32_t, const void*) {}

TEST(Lv2UiSuil, TwentyOpenCloseUnloadCyclesLeaveDescriptorsFlatAndTheHostHandlesItsOwnXErrors)
{
  if (!XvfbServer::Get().ok()) GTEST_SKIP() << "no X server: " << XvfbServer::Get().why();
  Display* d = XOpenDisplay(nullptr);
  ASSERT_NE(d, nullptr);
  const Window parent = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 780, 200, 0, 0, 0);
  XMapWindow(d, parent);
  XSync(d, False);
  XSetErrorHandler(HostHandler);

  SuilHost* host = suil_host_new(Write, nullptr, nullptr, nullptr);
  ASSERT_NE(host, nullptr);
  const LV2_Feature parentFeature = {LV2_UI__parent, (void*)(uintptr_t)parent};
  const LV2_Feature* features[] = {&parentFeature, nullptr};
  int afterFirst = 0;
  for (int cycle = 0; cycle < 20; ++cycle)
  {
    SuilInstance* ui = suil_instance_new(host, nullptr, LV2_UI__X11UI, kPluginURI, kUiURI, LV2_UI__X11UI,
                                         kBundle.c_str(), (kBundle + "Cinderpath_ui.so").c_str(), features);
    ASSERT_NE(ui, nullptr) << cycle;
    auto idle = static_cast<const LV2UI_Idle_Interface*>(suil_instance_extension_data(ui, LV2_UI__idleInterface));
    ASSERT_NE(idle, nullptr);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(idle->idle(suil_instance_get_handle(ui)), 0);
    // Midway the host puts a handler of its own over the editor's.
    if (cycle == 10) s_underLater = XSetErrorHandler(LaterHandler);
    suil_instance_free(ui);  // cleans up and unloads the module
    if (cycle == 0) afterFirst = OpenDescriptors();
  }
  EXPECT_EQ(OpenDescriptors(), afterFirst) << "descriptors after 20 cycles, against after the first";

  // An error of the host's own making reaches its handlers once each, after
  // the editor has gone: no jump into unloaded code, no handler forwarding
  // to itself forever.
  XWindowAttributes wa;
  EXPECT_FALSE(XGetWindowAttributes(d, (Window)0x7ffffff, &wa));
  XSync(d, False);
  EXPECT_EQ(s_laterErrors, 1);
  EXPECT_EQ(s_hostErrors, 1);

  suil_host_free(host);
  XSetErrorHandler(nullptr);
  XDestroyWindow(d, parent);
  XCloseDisplay(d);
}

// A host that passes ui:scaleFactor 2 through the UI loading library (as a
// host on a doubled screen does) gets the editor at 1560 x 400, and hears
// that size through ui:resize.
TEST(Lv2UiSuil, TheHostsScaleFactorTwoGivesTheEditorAt1560By400)
{
  if (!XvfbServer::Get().ok()) GTEST_SKIP() << "no X server: " << XvfbServer::Get().why();
  unsetenv("CINDERPATH_UI_SCALE");
  Display* d = XOpenDisplay(nullptr);
  ASSERT_NE(d, nullptr);
  const Window parent = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1600, 450, 0, 0, 0);
  XMapWindow(d, parent);
  XSync(d, False);
  SuilHost* host = suil_host_new(Write, nullptr, nullptr, nullptr);
  ASSERT_NE(host, nullptr);
  Lv2UridMap urids;
  const float factor = 2.0f;
  const LV2_Options_Option options[] = {
      {LV2_OPTIONS_INSTANCE, 0, urids.Id(LV2_UI__scaleFactor), sizeof(float), urids.Id(LV2_ATOM__Float), &factor},
      {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
  std::pair<int, int> heard(0, 0);
  LV2UI_Resize resize{&heard, [](LV2UI_Feature_Handle h, int w, int hgt) {
                        *static_cast<std::pair<int, int>*>(h) = {w, hgt};
                        return 0;
                      }};
  const LV2_Feature parentFeature = {LV2_UI__parent, (void*)(uintptr_t)parent};
  const LV2_Feature optionsFeature = {LV2_OPTIONS__options, (void*)options};
  const LV2_Feature resizeFeature = {LV2_UI__resize, &resize};
  const LV2_Feature* features[] = {&parentFeature, &urids.mapFeature, &optionsFeature, &resizeFeature, nullptr};
  SuilInstance* ui = suil_instance_new(host, nullptr, LV2_UI__X11UI, kPluginURI, kUiURI, LV2_UI__X11UI,
                                       kBundle.c_str(), (kBundle + "Cinderpath_ui.so").c_str(), features);
  ASSERT_NE(ui, nullptr);
  const Window view = (Window)(uintptr_t)suil_instance_get_widget(ui);
  XWindowAttributes wa;
  ASSERT_TRUE(XGetWindowAttributes(d, view, &wa));
  EXPECT_EQ(std::make_pair(wa.width, wa.height), std::make_pair(1560, 400));
  EXPECT_EQ(heard, std::make_pair(1560, 400));
  suil_instance_free(ui);
  suil_host_free(host);
  XDestroyWindow(d, parent);
  XCloseDisplay(d);
}

}  // namespace
