// The effect's real editor on screen, asked for as a host asks (the CocoaUI
// property, the factory class by name, uiViewForAudioUnit) from the loaded
// component bundle, driven with XTest and read back through the Audio Unit
// entry.
#include <gtest/gtest.h>

#include <AudioUnit/AUCocoaUIView.h>
#include <MacOSCompat/MacOSCompat.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sys/wait.h>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

// The framework's headers come before Xlib's, whose macros (Bool, None)
// would otherwise rewrite them.
#include "Cinderpath.h"
#include "IControl.h"
#include "IGraphicsHeadless.h"
#include "IGraphicsLinux.h"
#include "editor_command.h"
#include "lice.h"
#include "lice_png.h"
#include "plist.h"
#include "plugin_session.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include "swell-x11.h"
#include "tooltip_probe.h"
#include "xvfb_server.h"

namespace
{

using cinderpath_cli::EditorWindow;
using cinderpath_cli::PluginSession;

const std::string kBundlePath = std::string(CINDERPATH_BINARY_DIR) + "/Cinderpath.component";
const int kW = 780, kH = 200;

// The editor's bitmap at the defaults, drawn off-screen by an instance made
// in this process with the given editor kind.
std::vector<unsigned> DrawDefaults(bool onScreenKind)
{
  IPlugInstanceInfo info;
  info.mBundleIdentifier.Set("com.marrowfield.audiounit.Cinderpath");
  info.mViewClassName.Set("Cinderpath_View");
  Cinderpath::SetEditorOnScreen(onScreenKind);
  std::unique_ptr<Cinderpath> plug(new Cinderpath(info));
  Cinderpath::SetEditorOnScreen(false);
  IGraphics* gui = plug->GetGUI();
  EXPECT_EQ(dynamic_cast<IGraphicsLinux*>(gui) != nullptr, onScreenKind);
  EXPECT_EQ(gui->GetWindow(), nullptr);
  IRECT all(0, 0, kW, kH);
  gui->Draw(&all);
  std::vector<unsigned> px;
  LICE_IBitmap* bm = gui->GetDrawBitmap();
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x)
    {
      // Bytes A, R, G, B as the screen's 0xRRGGBB.
      const unsigned char* p = reinterpret_cast<const unsigned char*>(bm->getBits() + y * bm->getRowSpan() + x);
      px.push_back(static_cast<unsigned>(p[1]) << 16 | static_cast<unsigned>(p[2]) << 8 | p[3]);
    }
  return px;
}

// One plug-in instance from the bundle with its editor in a window of ours.
struct Shown
{
  PluginSession session;
  EditorWindow window;
  Display* t = XOpenDisplay(nullptr);  // drives XTest
  int ox = 0, oy = 0;                  // the view's top-left on the screen

  bool Open()
  {
    std::string error;
    if (!t || !session.Open(kBundlePath, &error) || !window.Open(session.Unit(), "Cinderpath", &error))
    {
      ADD_FAILURE() << error;
      return false;
    }
    XSetInputFocus(t, PointerRoot, RevertToPointerRoot, CurrentTime);
    Window child;
    XTranslateCoordinates(t, window.ViewWindow(), DefaultRootWindow(t), 0, 0, &ox, &oy, &child);
    Settle(0.2);
    return true;
  }
  ~Shown()
  {
    window.Close();
    if (t) XCloseDisplay(t);
  }
  static void Settle(double seconds)
  {
    const double end = SWELL_RunLoopNow() + seconds;
    while (SWELL_RunLoopNow() < end) SWELL_RunLoopPump(0.01);
  }
  float Param(int id)
  {
    float v = NAN;
    std::string error;
    EXPECT_TRUE(session.GetParameter(static_cast<AudioUnitParameterID>(id), &v, &error)) << error;
    return v;
  }
  // Moves the pointer to the editor's point (x, y), the view's own pixel.
  void MoveTo(int x, int y)
  {
    XTestFakeMotionEvent(t, -1, ox + x, oy + y, CurrentTime);
    XSync(t, False);
  }
  void Button(unsigned b, bool down)
  {
    XTestFakeButtonEvent(t, b, down ? True : False, CurrentTime);
    XSync(t, False);
  }
  void Click(unsigned b)
  {
    Button(b, true);
    Button(b, false);
  }
};

TEST(PluginView, OffScreenDrawingIsTheSameWithTheX11Editor)
{
  // Loading the bundle registers it, so the editors find their images.
  PluginSession session;
  std::string error;
  ASSERT_TRUE(session.Open(kBundlePath, &error)) << error;
  EXPECT_EQ(DrawDefaults(true), DrawDefaults(false));
}

TEST(PluginView, FactoryIsFoundByTheNameTheUnitReports)
{
  REQUIRE_X();
  PluginSession session;
  std::string error;
  ASSERT_TRUE(session.Open(kBundlePath, &error)) << error;
  AudioUnitCocoaViewInfo info = {};
  UInt32 size = sizeof(info);
  ASSERT_EQ(AudioUnitGetProperty(session.Unit(), kAudioUnitProperty_CocoaUI, kAudioUnitScope_Global, 0, &info, &size),
            noErr);
  char name[64] = "";
  CFStringGetCString(info.mCocoaAUViewClass[0], name, sizeof(name), kCFStringEncodingUTF8);
  CFRelease(info.mCocoaAUViewClass[0]);
  CFRelease(info.mCocoaAUViewBundleLocation);
  EXPECT_STREQ(name, "Cinderpath_View");
  CompatClassMaker make = CompatLookUpClass(name);
  ASSERT_NE(make, nullptr);
  CompatObject* object = make();
  ASSERT_TRUE(object->conformsToProtocol(kAUCocoaUIBaseProtocolName));
  AUCocoaUIBase* factory = static_cast<AUCocoaUIBase*>(object);
  EXPECT_STREQ(factory->description(), "Cinderpath View");
  EXPECT_EQ(factory->interfaceVersion(), 0u);
  EXPECT_EQ(factory->uiViewForAudioUnit(nullptr, NSSize{780, 200}), nullptr) << "no unit, no view";
  factory->release();
}

// Each case starts from the parameter's value set through the entry, acts on
// the editor with the pointer and keys, and reads the parameter back through
// the entry.
TEST(PluginView, PointerChangesParametersAsTheEditorComputes)
{
  REQUIRE_X();
  Shown s;
  ASSERT_TRUE(s.Open());
  static_assert(kBypass == 6, "Bypass is parameter 6");
  // The Bias knob: 70 x 70 at (265, 80); range 0 ... 10.
  const int bx = 300, by = 115;
  struct Case
  {
    const char* what;
    int param;
    float start, expected;
    std::function<void(Shown&)> act;
  } cases[] = {
    {"click on Bypass", kBypass, 0.0f, 1.0f, [](Shown& e) { e.MoveTo(570, 60); e.Click(1); }},
    {"drag 40 px up", kBias, 5.0f, 5.0f + 10.0f * 40.0f / (4.0f * 70.0f),
     [&](Shown& e) {
       e.MoveTo(bx, by);
       e.Button(1, true);
       e.Settle(0.05);
       e.MoveTo(bx, by - 40);
       e.Settle(0.05);
       e.Button(1, false);
     }},
    {"wheel up two steps", kBias, 5.0f, 5.2f, [&](Shown& e) { e.MoveTo(bx, by); e.Click(4); e.Click(4); }},
    {"double click", kBias, 8.0f, 5.0f, [&](Shown& e) { e.MoveTo(bx, by); e.Click(1); e.Click(1); }},
    // The effect's controls keep their value prompts off: a right click,
    // like a left one, changes no knob.
    {"right click on a knob", kDrive, 2.0f, 2.0f, [](Shown& e) { e.MoveTo(390, 115); e.Click(3); }},
  };
  for (const Case& c : cases)
  {
    std::string error;
    ASSERT_TRUE(s.session.SetParameter(static_cast<AudioUnitParameterID>(c.param), c.start, &error)) << error;
    // A second apart, so no click of one case pairs with one of the next.
    s.Settle(0.5);
    c.act(s);
    PumpUntil([&] { return std::fabs(s.Param(c.param) - c.expected) < 1e-3f; });
    EXPECT_NEAR(s.Param(c.param), c.expected, 1e-3f) << c.what;
  }
}

// The host's window the view was put in receives the keys the editor does
// not take.
TEST(PluginView, KeysTheEditorDoesNotTakeGoToTheHostsWindow)
{
  REQUIRE_X();
  Shown s;
  ASSERT_TRUE(s.Open());
  XSelectInput(s.t, s.window.FrameWindow(), KeyPressMask);
  s.MoveTo(100, 100);
  const KeyCode q = XKeysymToKeycode(s.t, XK_q);
  XTestFakeKeyEvent(s.t, q, True, CurrentTime);
  XTestFakeKeyEvent(s.t, q, False, CurrentTime);
  XSync(s.t, False);
  XEvent e = {};
  const bool arrived = PumpUntil([&] {
    return XCheckTypedWindowEvent(s.t, s.window.FrameWindow(), KeyPress, &e) == True;
  });
  ASSERT_TRUE(arrived);
  EXPECT_TRUE(e.xkey.send_event);
  EXPECT_EQ(e.xkey.keycode, q);
}

TEST(PluginView, WindowShowsTheOffScreenDrawing)
{
  REQUIRE_X();
  Shown s;
  ASSERT_TRUE(s.Open());
  const std::vector<unsigned> want = DrawDefaults(false);
  XImage* img = XGetImage(s.t, s.window.ViewWindow(), 0, 0, kW, kH, AllPlanes, ZPixmap);
  ASSERT_NE(img, nullptr);
  int wrong = 0;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) wrong += (XGetPixel(img, x, y) & 0xFFFFFF) != want[static_cast<size_t>(y * kW + x)];
  XDestroyImage(img);
  EXPECT_EQ(wrong, 0);
}

TEST(PluginView, AskingTwiceLeavesTheFirstWindowToTheHostAndWindowsComeAndGoCleanly)
{
  REQUIRE_X();
  Shown s;
  ASSERT_TRUE(s.Open());
  const Window first = s.window.ViewWindow();
  EditorWindow second;
  std::string error;
  ASSERT_TRUE(second.Open(s.session.Unit(), "Cinderpath", &error)) << error;
  // The host took the first view into its window: the editor let it go but
  // did not destroy it under the host, which may still make requests for it.
  Shown::Settle(0.05);
  const int errorsBefore = swell_X11ErrorCount();
  XWindowAttributes wa;
  EXPECT_TRUE(XGetWindowAttributes(swell_X11Display(), first, &wa)) << "the host's window is still there";
  XMoveWindow(swell_X11Display(), first, 1, 1);
  XSync(swell_X11Display(), False);
  EXPECT_EQ(swell_X11ErrorCount(), errorsBefore);
  second.Close();
  s.window.Close();
  Shown::Settle(0.1);
  EXPECT_LT(SWELL_RunLoopSecondsUntilNext(SWELL_RunLoopNow()), 0.0) << "no redraw timer left running";

  // Reopening works, many times over, and leaves nothing behind.
  const long objects = CompatCFLiveObjectCount();
  const int errors = swell_X11ErrorCount();
  for (int i = 0; i < 100; ++i)
  {
    ASSERT_TRUE(s.window.Open(s.session.Unit(), "Cinderpath", &error)) << error;
    SWELL_RunLoopPump(0.0);
    s.window.Close();
  }
  ASSERT_TRUE(s.window.Open(s.session.Unit(), "Cinderpath", &error)) << error;
  Shown::Settle(0.1);
  EXPECT_TRUE(s.window.IsOpen());
  s.window.Close();
  Shown::Settle(0.05);
  EXPECT_EQ(CompatCFLiveObjectCount(), objects);
  EXPECT_EQ(swell_X11ErrorCount(), errors);
  EXPECT_LT(SWELL_RunLoopSecondsUntilNext(SWELL_RunLoopNow()), 0.0);
}

// The top-level window named title, or 0.
Window FindTopLevel(Display* d, const char* title)
{
  Window root, parent, *kids = nullptr, found = 0;
  unsigned n = 0;
  if (!XQueryTree(d, DefaultRootWindow(d), &root, &parent, &kids, &n)) return 0;
  for (unsigned i = 0; i < n && !found; ++i)
  {
    char* name = nullptr;
    if (XFetchName(d, kids[i], &name) && name && std::string(name) == title) found = kids[i];
    if (name) XFree(name);
  }
  if (kids) XFree(kids);
  return found;
}

// The program shows the editor until its window is closed the way a window
// manager closes it, then saves the state it ended with; without a display
// it says so.
TEST(PluginView, EditorCommandSavesTheStateWhenClosed)
{
  REQUIRE_X();
  const std::string state = std::string(CINDERPATH_BINARY_DIR) + "/plugin-view-editor-state.xml";
  std::remove(state.c_str());
  int status = -1;
  std::thread program([&] {
    status = std::system((std::string("'") + CINDERPATH_PROGRAM + "' editor --set Drive=5 --save-state '" + state +
                          "' >'" + state + ".out' 2>/dev/null").c_str());
  });
  Display* d = XOpenDisplay(nullptr);
  ASSERT_NE(d, nullptr);
  Window w = 0;
  for (int i = 0; i < 500 && !(w = FindTopLevel(d, "Cinderpath - Default")); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_NE(w, 0u) << "the editor's window appears, titled with the plug-in's name and its present preset";
  if (w)
  {
    // Window managers and task bars name it by its class and UTF-8 name.
    XClassHint hint = {};
    ASSERT_TRUE(XGetClassHint(d, w, &hint));
    EXPECT_STREQ(hint.res_name, "cinderpath");
    EXPECT_STREQ(hint.res_class, "Cinderpath");
    XFree(hint.res_name);
    XFree(hint.res_class);
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(d, w, XInternAtom(d, "_NET_WM_NAME", False), 0, 256, False, AnyPropertyType, &type, &format,
                       &items, &after, &data);
    EXPECT_EQ(data ? std::string(reinterpret_cast<char*>(data), items) : "", "Cinderpath - Default");
    if (data) XFree(data);
    XEvent close = {};
    close.xclient.type = ClientMessage;
    close.xclient.window = w;
    close.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    close.xclient.format = 32;
    close.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    XSendEvent(d, w, False, NoEventMask, &close);
    XSync(d, False);
  }
  program.join();
  XCloseDisplay(d);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  std::ifstream said(state + ".out");
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(said)), std::istreambuf_iterator<char>()),
            "state saved to " + state + "\n");

  std::ifstream in(state);
  std::string xml((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string error;
  CFPropertyListRef saved = cinderpath_cli::ReadPropertyListXml(xml, &error);
  ASSERT_NE(saved, nullptr) << error;
  PluginSession session;
  ASSERT_TRUE(session.Open(kBundlePath, &error)) << error;
  EXPECT_TRUE(session.RestoreState(saved, &error)) << error;
  CFRelease(saved);
  float drive = 0.0f;
  EXPECT_TRUE(session.GetParameter(kDrive, &drive, &error));
  EXPECT_FLOAT_EQ(drive, 5.0f);

  const int noDisplay = std::system(
    (std::string("DISPLAY=:9999 '") + CINDERPATH_PROGRAM + "' editor >/dev/null 2>&1").c_str());
  EXPECT_TRUE(WIFEXITED(noDisplay) && WEXITSTATUS(noDisplay) == 1);
}

} // namespace

namespace
{

// Writes the whole screen as a PNG when EDITOR_SCREENSHOT names a file, to
// look at the readout by eye.
void MaybeWriteScreen(Display* d)
{
  const char* path = std::getenv("EDITOR_SCREENSHOT");
  if (!path || !*path) return;
  const int w = DisplayWidth(d, DefaultScreen(d)), h = DisplayHeight(d, DefaultScreen(d));
  XImage* img = XGetImage(d, DefaultRootWindow(d), 0, 0, static_cast<unsigned>(w), static_cast<unsigned>(h), AllPlanes,
                          ZPixmap);
  if (!img) return;
  LICE_MemBitmap bm(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
    {
      // The screen's 0xRRGGBB as the bitmap's bytes A, R, G, B.
      const unsigned long rgb = XGetPixel(img, x, y);
      unsigned char* p = reinterpret_cast<unsigned char*>(bm.getBits() + y * bm.getRowSpan() + x);
      p[0] = 0xFF;
      p[1] = static_cast<unsigned char>(rgb >> 16);
      p[2] = static_cast<unsigned char>(rgb >> 8);
      p[3] = static_cast<unsigned char>(rgb);
    }
  XDestroyImage(img);
  LICE_WritePNG(path, &bm, false);
}

} // namespace

// Resting on the Bias knob brings its readout (name, value, description)
// beside the pointer after a moment and not before; a drag shows it at once
// with the value as it changes; leaving the editor takes it away.
TEST(PluginView, ReadoutShowsWhileRestingOrDraggingAndGoesWhenThePointerLeaves)
{
  REQUIRE_X();
  Shown s;
  ASSERT_TRUE(s.Open());
  std::string error;
  ASSERT_TRUE(s.session.SetParameter(kBias, 5.0f, &error)) << error;
  auto tips = [&] { return TooltipWindows(s.t); };
  const std::string description =
      "Asymmetry of the valve stage's bias curve; lower values flatten the positive half-wave more and add even "
      "harmonics";
  // The Bias knob: 70 x 70 at (265, 80).
  s.MoveTo(290, 110);
  s.Settle(0.2);
  EXPECT_TRUE(tips().empty()) << "the readout came before the pointer rested";
  ASSERT_TRUE(PumpUntil([&] { return tips().size() == 1; })) << "no readout after resting";
  TooltipWindow tip = tips()[0];
  EXPECT_EQ(tip.text.substr(0, tip.text.find('\n')).find("Bias: 5"), 0u) << tip.text;
  std::string rest = tip.text.substr(tip.text.find('\n') + 1);
  std::replace(rest.begin(), rest.end(), '\n', ' '); // wrapped at word boundaries
  EXPECT_EQ(rest, description);
  EXPECT_GT(tip.x, s.ox + 290) << "beside the pointer, to its right";
  EXPECT_GT(tip.y, s.oy + 110) << "and below it";
  MaybeWriteScreen(s.t);

  // Off every control, the readout goes.
  s.MoveTo(5, 5);
  EXPECT_TRUE(PumpUntil([&] { return tips().empty(); })) << "the readout stayed over the background";

  // A drag shows it at once, following the value.
  s.MoveTo(300, 115);
  s.Button(1, true);
  s.Settle(0.05);
  s.MoveTo(300, 75);
  ASSERT_TRUE(PumpUntil([&] { return tips().size() == 1 && std::fabs(s.Param(kBias) - 5.0f) > 1.0f; }));
  s.Settle(0.1);
  char want[32];
  std::snprintf(want, sizeof(want), "Bias: %.2f", s.Param(kBias));
  EXPECT_EQ(tips().at(0).text.find(want), 0u) << tips().at(0).text << " (want " << want << ")";
  s.Button(1, false);

  // Leaving the editor takes it away.
  s.MoveTo(300, 115);
  ASSERT_TRUE(PumpUntil([&] { return tips().size() == 1; }));
  s.MoveTo(kW + 50, kH + 50);
  EXPECT_TRUE(PumpUntil([&] { return tips().empty(); })) << "the readout stayed after the pointer left";
}

// A value typed into the HP Freq box, as a person types it: the field opens
// with the shown value selected, so the typing replaces it; Return or a click
// elsewhere applies, Escape and text that is no frequency change nothing.
TEST(PluginView, TypedValuesInTheHPFreqBoxApplyOnlyWhenTheyReadAsAFrequency)
{
  REQUIRE_X();
  Shown s;
  ASSERT_TRUE(s.Open());
  auto type = [&](const std::string& keys) {
    for (char c : keys)
    {
      const KeySym sym = c == '.' ? XK_period : c == ' ' ? XK_space : c == '\n' ? XK_Return
                       : c == '\x1b' ? XK_Escape : static_cast<KeySym>(c);
      const KeyCode code = XKeysymToKeycode(s.t, sym);
      XTestFakeKeyEvent(s.t, code, True, CurrentTime);
      XTestFakeKeyEvent(s.t, code, False, CurrentTime);
      XSync(s.t, False);
      s.Settle(0.02);
    }
  };
  const struct
  {
    const char* keys;      // '\n' Return, '\x1b' Escape
    bool clickElsewhere;   // ends the entry by a click on the background
    float expected;        // Hz
  } cases[] = {
      {"120\n", false, 120.0f}, {"0.5k\n", false, 500.0f}, {"250 hz\n", false, 250.0f},
      {"75", true, 75.0f},      {"abc\n", false, 16.0f},   {"300\x1b", false, 16.0f},
      {"5000\n", false, 16.0f},
  };
  for (const auto& c : cases)
  {
    std::string error;
    ASSERT_TRUE(s.session.SetParameter(kHPFreq, 16.0f, &error)) << error;
    s.Settle(0.5); // no click pairs with the last case's into a double click
    s.MoveTo(60, 30); // the HP Freq box
    s.Click(1);
    s.Settle(0.2);
    if (c.expected == 120.0f) MaybeWriteScreen(s.t); // the field, its text selected
    type(c.keys);
    if (c.clickElsewhere)
    {
      s.MoveTo(5, 5);
      s.Click(1);
    }
    PumpUntil([&] { return std::fabs(s.Param(kHPFreq) - c.expected) < 1e-3f; });
    s.Settle(0.2);
    EXPECT_NEAR(s.Param(kHPFreq), c.expected, 1e-3f) << "typed \"" << c.keys << "\"";
    // Whatever the case left open ends here, unapplied.
    type("\x1b");
  }
}

// With CINDERPATH_UI_SCALE=1.5 the host's view is 1170 x 300; a click on
// Bypass where it is drawn at that scale toggles it, a drag over the Drive
// knob's drawn height turns it as the same hand movement in scale-1 pixels
// does, and the readout is drawn larger, beside the pointer.
TEST(PluginView, AtScaleOneAndAHalfTheViewClicksDragsAndReadoutAreScaled)
{
  REQUIRE_X();
  int tipW1 = 0, tipH1 = 0;
  for (const char* scale : {"1", "1.5"})
  {
    setenv("CINDERPATH_UI_SCALE", scale, 1);
    Shown s;
    const bool opened = s.Open();
    unsetenv("CINDERPATH_UI_SCALE");
    ASSERT_TRUE(opened);
    // The screen is 1024 pixels wide: the window goes to its left edge so
    // that the places clicked lie on it.
    XMoveWindow(s.t, s.window.FrameWindow(), 0, 0);
    XSync(s.t, False);
    s.Settle(0.2);
    Window child;
    XTranslateCoordinates(s.t, s.window.ViewWindow(), DefaultRootWindow(s.t), 0, 0, &s.ox, &s.oy, &child);
    ASSERT_LT(s.ox + 900, DisplayWidth(s.t, DefaultScreen(s.t)));
    const double k = std::atof(scale);
    XWindowAttributes wa;
    ASSERT_TRUE(XGetWindowAttributes(s.t, s.window.ViewWindow(), &wa));
    EXPECT_EQ(wa.width, (int)(kW * k + 0.5)) << scale;
    EXPECT_EQ(wa.height, (int)(kH * k + 0.5)) << scale;
    // Bypass: 40 x 20 at (550, 50) in scale-1 pixels.
    s.MoveTo((int)(570 * k), (int)(60 * k));
    s.Click(1);
    EXPECT_TRUE(PumpUntil([&] { return s.Param(kBypass) == 1.0f; })) << scale;
    // The readout of the Bypass switch, once the pointer rests.
    ASSERT_TRUE(PumpUntil([&] { return TooltipWindows(s.t).size() == 1; })) << scale;
    const TooltipWindow tip = TooltipWindows(s.t)[0];
    if (k != 1.0) MaybeWriteScreen(s.t);
    if (k == 1.0)
    {
      tipW1 = tip.w;
      tipH1 = tip.h;
    }
    else
    {
      EXPECT_NEAR(tip.w, tipW1 * k, tipW1 * 0.15) << "the readout's width at scale " << scale;
      EXPECT_NEAR(tip.h, tipH1 * k, tipH1 * 0.15) << "the readout's height at scale " << scale;
    }
    // Drive: 70 x 70 at (355, 80); 35 scale-1 pixels up turn it by 1/8.
    std::string error;
    ASSERT_TRUE(s.session.SetParameter(kDrive, 5.0f, &error)) << error;
    s.Settle(0.1);
    s.MoveTo((int)(390 * k), (int)(140 * k));
    s.Button(1, true);
    s.Settle(0.05);
    s.MoveTo((int)(390 * k), (int)(140 * k) - (int)(35 * k));
    s.Settle(0.05);
    s.Button(1, false);
    float drive = 0.0f;
    PumpUntil([&] { return (drive = s.Param(kDrive)) != 5.0f; });
    EXPECT_NEAR(drive, 5.0f + 28.0f / 8.0f, 0.3f) << scale;  // Drive spans -12 .. 16 dB
  }
}
