// The generated Cinderpath.lv2 bundle as a host reads it through lilv: the
// ports against the plug-in's own parameter table, the fixed ports, both
// variants, processing through the built module against the plug-in class
// processed directly, and the state through lilv's state support.

#include <gtest/gtest.h>

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/urid/urid.h>
#include <lv2/port-groups/port-groups.h>
#include <lv2/port-props/port-props.h>
#include <lv2/presets/presets.h>
#include <lv2/ui/ui.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Cinderpath.h"
#include "CinderpathDescriptions.h"
#include "CinderpathPresets.h"
#include "lv2_urid_map.h"

namespace
{
const char kStereoURI[] = "https://cinderpath.example/lv2/cinderpath";
const char kMonoURI[] = "https://cinderpath.example/lv2/cinderpath-mono";
const char kStateKey[] = "https://cinderpath.example/lv2/cinderpath#state";
constexpr double kRate = 48000.0;

using Urids = Lv2UridMap;

// One lilv world holding the built bundle, shared by the tests.
class Lv2Bundle : public ::testing::Test
{
protected:
  static void SetUpTestSuite()
  {
    world = lilv_world_new();
    lilv_world_load_specifications(world);
    lilv_world_load_plugin_classes(world);
    const std::string path = std::string(CINDERPATH_BINARY_DIR) + "/Cinderpath.lv2/";
    LilvNode* bundle = lilv_new_file_uri(world, nullptr, path.c_str());
    lilv_world_load_bundle(world, bundle);
    lilv_node_free(bundle);
  }

  static void TearDownTestSuite()
  {
    lilv_world_free(world);
    world = nullptr;
  }

  const LilvPlugin* Plugin(const char* uri)
  {
    LilvNode* n = lilv_new_uri(world, uri);
    const LilvPlugin* p = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), n);
    lilv_node_free(n);
    return p;
  }

  bool PortIs(const LilvPlugin* p, const LilvPort* port, const char* propertyURI)
  {
    LilvNode* n = lilv_new_uri(world, propertyURI);
    const bool has = lilv_port_has_property(p, port, n);
    lilv_node_free(n);
    return has;
  }

  static LilvWorld* world;
};

LilvWorld* Lv2Bundle::world = nullptr;

// What each parameter's port adds to the table: a name that tells the input
// filters from the output filters, logarithmic frequency sliders, the group,
// and the labelled steps of the factor and the boost.
const struct
{
  const char* name;  // null: the parameter's own
  bool logarithmic;
  const char* group;
  std::string points;  // scale point values beside the display texts, space-separated
} kPorts[kNumParams] = {
    {"Input LP Cutoff", true, "input_filters", ""}, {"Input LP Resonance", false, "input_filters", ""},
    {nullptr, false, "valve", ""},                  {nullptr, false, "valve", ""},
    {nullptr, false, "output", ""},                 {nullptr, false, "output", ""},
    {nullptr, false, "output", ""},                 {nullptr, false, "output", ""},
    {nullptr, false, "valve", "0 12"},              {"Input LP On", false, "input_filters", ""},
    {"Input HP On", false, "input_filters", ""},    {"Input HP Freq", true, "input_filters", ""},
    {nullptr, false, "input_filters", ""},          {nullptr, true, "input_filters", ""},
    {nullptr, false, "input_filters", ""},          {nullptr, false, "input_filters", ""},
    {nullptr, true, "input_filters", ""},           {nullptr, false, "input_filters", ""},
    {"Output LP Freq", true, "output", ""},         {nullptr, false, "valve", "1 2 4 8 16"},
    {nullptr, false, "valve", ""},                  {"Output HP Freq", true, "output", ""},
};

TEST_F(Lv2Bundle, PortsFollowTheParameterTable)
{
  Cinderpath plug{IPlugInstanceInfo()};
  const std::vector<std::string> symbols = IPlugLV2::ParamSymbols(&plug);
  for (const char* uri : {kStereoURI, kMonoURI})
  {
    const LilvPlugin* p = Plugin(uri);
    ASSERT_NE(p, nullptr) << uri;
    ASSERT_TRUE(lilv_plugin_verify(p)) << uri;
    const int nAudio = uri == kStereoURI ? 4 : 2;
    // The clip output comes last, so that the ports before it keep their indices.
    ASSERT_EQ(lilv_plugin_get_num_ports(p), (uint32_t)(kNumParams + 2 + nAudio + 1));
    const LilvPort* clip = lilv_plugin_get_port_by_index(p, (uint32_t)(kNumParams + 2 + nAudio));
    EXPECT_STREQ(lilv_node_as_string(lilv_port_get_symbol(p, clip)), "clip");
    LilvNode* output = lilv_new_uri(world, LV2_CORE__OutputPort);
    LilvNode* control = lilv_new_uri(world, LV2_CORE__ControlPort);
    EXPECT_TRUE(lilv_port_is_a(p, clip, output) && lilv_port_is_a(p, clip, control) &&
                PortIs(p, clip, LV2_CORE__toggled));
    lilv_node_free(output);
    lilv_node_free(control);
    // Its X11 UI, in the UI module.
    LilvUIs* uis = lilv_plugin_get_uis(p);
    ASSERT_EQ(uis ? lilv_uis_size(uis) : 0u, 1u);
    const LilvUI* ui = lilv_uis_get(uis, lilv_uis_begin(uis));
    EXPECT_EQ(std::string(lilv_node_as_uri(lilv_ui_get_uri(ui))), std::string(uri) + "#ui");
    LilvNode* x11 = lilv_new_uri(world, LV2_UI__X11UI);
    EXPECT_TRUE(lilv_ui_is_a(ui, x11));
    lilv_node_free(x11);
    EXPECT_NE(std::string(lilv_node_as_uri(lilv_ui_get_binary_uri(ui))).find("/Cinderpath_ui.so"), std::string::npos);
    lilv_uis_free(uis);

    std::vector<float> mins(kNumParams + 2 + nAudio + 1), maxs(mins.size()), defs(mins.size());
    lilv_plugin_get_port_ranges_float(p, mins.data(), maxs.data(), defs.data());
    for (int i = 0; i < kNumParams; ++i)
    {
      IParam* param = plug.GetParam(i);
      const LilvPort* port = lilv_plugin_get_port_by_index(p, (uint32_t)i);
      EXPECT_STREQ(lilv_node_as_string(lilv_port_get_symbol(p, port)), symbols[i].c_str());
      LilvNode* name = lilv_port_get_name(p, port);
      EXPECT_STREQ(lilv_node_as_string(name), kPorts[i].name ? kPorts[i].name : param->GetNameForHost());
      lilv_node_free(name);
      EXPECT_EQ(PortIs(p, port, LV2_PORT_PROPS__logarithmic), kPorts[i].logarithmic) << i;
      LilvNode* groupPredicate = lilv_new_uri(world, LV2_PORT_GROUPS__group);
      LilvNodes* group = lilv_port_get_value(p, port, groupPredicate);
      EXPECT_EQ(group ? std::string(lilv_node_as_uri(lilv_nodes_get_first(group))) : "",
                std::string(uri) + "#" + kPorts[i].group) << i;
      lilv_nodes_free(group);
      lilv_node_free(groupPredicate);
      EXPECT_EQ(mins[i], (float)param->GetMin()) << i;
      EXPECT_EQ(maxs[i], (float)param->GetMax()) << i;
      EXPECT_EQ(defs[i], (float)param->GetDefault()) << i;
      EXPECT_EQ(PortIs(p, port, LV2_CORE__toggled), param->Type() == IParam::kTypeBool) << i;
      EXPECT_EQ(PortIs(p, port, LV2_CORE__integer), param->Type() == IParam::kTypeInt) << i;
      // Switches list their display texts as scale points; the factor and the
      // boost their useful steps.
      LilvScalePoints* points = lilv_port_get_scale_points(p, port);
      std::string values;
      LILV_FOREACH(scale_points, it, points)
      {
        values += values.empty() ? "" : " ";
        values += std::to_string((int)lilv_node_as_float(lilv_scale_point_get_value(lilv_scale_points_get(points, it))));
      }
      EXPECT_EQ(points ? (int)lilv_scale_points_size(points) : 0,
                param->GetNDisplayTexts() + (int)std::count(kPorts[i].points.begin(), kPorts[i].points.end(), ' ') +
                    !kPorts[i].points.empty())
          << i << ": " << values;
      for (size_t at = 0, end; !kPorts[i].points.empty() && at <= kPorts[i].points.size(); at = end + 1)
      {
        end = std::min(kPorts[i].points.find(' ', at), kPorts[i].points.size());
        const std::string value = kPorts[i].points.substr(at, end - at);
        EXPECT_NE((" " + values + " ").find(" " + value + " "), std::string::npos) << i << ": " << value;
      }
      lilv_scale_points_free(points);
    }
  }
  // The two parameters whose names differ only by a space and an underscore.
  EXPECT_EQ(symbols[kHPFreq], "hp_freq");
  EXPECT_EQ(symbols[kOutHPFreq], "hp_freq_21");
  EXPECT_EQ(symbols[kLPFreq], "lp_freq");
  EXPECT_EQ(symbols[kLPOn], "lp_on");
}

TEST_F(Lv2Bundle, LatencyAndFreeWheelingPortsCarryTheirDesignations)
{
  for (const char* uri : {kStereoURI, kMonoURI})
  {
    const LilvPlugin* p = Plugin(uri);
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(lilv_plugin_has_latency(p));
    EXPECT_EQ(lilv_plugin_get_latency_port_index(p), (uint32_t)kNumParams);
    LilvNode* input = lilv_new_uri(world, LV2_CORE__InputPort);
    LilvNode* freeWheeling = lilv_new_uri(world, LV2_CORE__freeWheeling);
    const LilvPort* fw = lilv_plugin_get_port_by_designation(p, input, freeWheeling);
    ASSERT_NE(fw, nullptr);
    EXPECT_EQ(lilv_port_get_index(p, fw), (uint32_t)kNumParams + 1);
    lilv_node_free(input);
    lilv_node_free(freeWheeling);
    LilvNode* stateIface = lilv_new_uri(world, LV2_STATE__interface);
    EXPECT_TRUE(lilv_plugin_has_extension_data(p, stateIface));
    lilv_node_free(stateIface);
    LilvNodes* required = lilv_plugin_get_required_features(p);
    EXPECT_EQ(lilv_nodes_size(required), 0u);
    lilv_nodes_free(required);
  }
}

// Renders `frames` frames of a test signal through a lilv instance of uri
// (the built module) with the given parameter values; returns the outputs.
std::vector<std::vector<float>> RenderThroughModule(const LilvPlugin* p, int nCh, const std::vector<float>& in,
                                                    const std::map<int, float>& sets, Urids* urids,
                                                    float freeWheel = 0.0f, float* clip = nullptr)
{
  LilvInstance* inst = lilv_plugin_instantiate(p, kRate, urids->features);
  EXPECT_NE(inst, nullptr);
  if (!inst) return {};
  const uint32_t nPorts = lilv_plugin_get_num_ports(p);
  std::vector<float> mins(nPorts), maxs(nPorts), controls(nPorts);
  lilv_plugin_get_port_ranges_float(p, mins.data(), maxs.data(), controls.data());
  for (const auto& s : sets) controls[(size_t)s.first] = s.second;
  controls[kNumParams + 1] = freeWheel;
  for (uint32_t i = 0; i < (uint32_t)kNumParams + 2; ++i) lilv_instance_connect_port(inst, i, &controls[i]);
  const uint32_t clipPort = (uint32_t)(kNumParams + 2 + 2 * nCh);
  controls[clipPort] = -1.0f;
  lilv_instance_connect_port(inst, clipPort, &controls[clipPort]);
  const size_t frames = in.size();
  std::vector<std::vector<float>> inputs(nCh, in), outputs(nCh, std::vector<float>(frames));
  for (int c = 1; c < nCh; ++c)
    for (size_t i = 0; i < frames; ++i) inputs[c][i] = -0.5f * in[(i * 7) % frames];
  for (int c = 0; c < nCh; ++c)
  {
    lilv_instance_connect_port(inst, (uint32_t)(kNumParams + 2 + c), inputs[c].data());
    lilv_instance_connect_port(inst, (uint32_t)(kNumParams + 2 + nCh + c), outputs[c].data());
  }
  lilv_instance_activate(inst);
  // Uneven block sizes, as hosts use them.
  const uint32_t sizes[] = {256, 1, 700, 2048, 33};
  size_t pos = 0;
  for (int k = 0; pos < frames; ++k)
  {
    const uint32_t n = (uint32_t)std::min<size_t>(sizes[k % 5], frames - pos);
    for (int c = 0; c < nCh; ++c)
    {
      lilv_instance_connect_port(inst, (uint32_t)(kNumParams + 2 + c), inputs[c].data() + pos);
      lilv_instance_connect_port(inst, (uint32_t)(kNumParams + 2 + nCh + c), outputs[c].data() + pos);
    }
    lilv_instance_run(inst, n);
    pos += n;
  }
  EXPECT_EQ(controls[kNumParams], 4.0f);  // latency report
  if (clip) *clip = controls[clipPort];
  lilv_instance_deactivate(inst);
  lilv_instance_free(inst);
  return outputs;
}

// The same signal through the plug-in class directly (double buffers).
std::vector<std::vector<float>> RenderDirect(int nCh, const std::vector<float>& in, const std::map<int, float>& sets,
                                             int* clip = nullptr)
{
  Cinderpath plug{IPlugInstanceInfo()};
  plug.SetSampleRate(kRate);
  for (const auto& s : sets) plug.GetParam(s.first)->Set((double)s.second);
  plug.OnParamReset();
  plug.Reset();
  const size_t frames = in.size();
  std::vector<double> l(frames), r(frames, 0.0), outL(frames), outR(frames);
  for (size_t i = 0; i < frames; ++i)
  {
    l[i] = in[i];
    if (nCh == 2) r[i] = (double)(-0.5f * in[(i * 7) % frames]);
  }
  double* ins[2] = {l.data(), r.data()};
  double* outs[2] = {outL.data(), outR.data()};
  plug.ProcessDoubleReplacing(ins, outs, (int)frames);
  if (clip) *clip = plug.GetClip();
  std::vector<std::vector<float>> result(nCh, std::vector<float>(frames));
  for (size_t i = 0; i < frames; ++i)
  {
    result[0][i] = (float)outL[i];
    if (nCh == 2) result[1][i] = (float)outR[i];
  }
  return result;
}

TEST_F(Lv2Bundle, ModuleProcessesLikeThePlugInClass)
{
  std::vector<float> in(6000);
  for (size_t i = 0; i < in.size(); ++i)
    in[i] = (float)(0.8 * std::sin(2.0 * M_PI * 220.0 * (double)i / kRate) + 0.1 * std::sin((double)i * 0.37));
  // The second setting drives the output past full scale: the clip output
  // carries the clip indicator after the last block, lit or not.
  const struct
  {
    std::map<int, float> sets;
    int clip;
  } cases[] = {{{{kDrive, 9.0f}, {kBias, 2.5f}, {kOS, 2.0f}, {kHPOn, 1.0f}, {kVolume, -3.0f}}, 0},
               {{{kDrive, 16.0f}, {kVolume, 18.0f}}, 1}};
  Urids urids;
  for (const auto& tc : cases)
  {
    for (int nCh : {2, 1})
    {
      const std::map<int, float>& sets = tc.sets;
      float clipPort = -1.0f;
      int clip = -1;
      const auto viaModule =
          RenderThroughModule(Plugin(nCh == 2 ? kStereoURI : kMonoURI), nCh, in, sets, &urids, 0.0f, &clipPort);
      const auto direct = RenderDirect(nCh, in, sets, &clip);
      EXPECT_EQ(clip, tc.clip);
      EXPECT_EQ(clipPort, (float)clip) << nCh << " channel(s)";
      ASSERT_EQ(viaModule.size(), (size_t)nCh);
      double maxDiff = 0.0, peak = 0.0;
      for (int c = 0; c < nCh; ++c)
        for (size_t i = 0; i < in.size(); ++i)
        {
          maxDiff = std::max(maxDiff, (double)std::fabs(viaModule[c][i] - direct[c][i]));
          peak = std::max(peak, (double)std::fabs(direct[c][i]));
        }
      EXPECT_EQ(maxDiff, 0.0) << nCh << " channel(s)";
      EXPECT_GT(peak, 0.1);
    }
  }
}

TEST_F(Lv2Bundle, FreeWheelingWithQualityRendersAtFactorSixteen)
{
  // Offline rendering (the host's free-wheeling port) with "Quality" on runs
  // at factor 16 whatever "OS" says; in real time "OS" rules.
  std::vector<float> in(4000);
  for (size_t i = 0; i < in.size(); ++i) in[i] = (float)(0.9 * std::sin(2.0 * M_PI * 3000.0 * (double)i / kRate));
  Urids urids;
  const LilvPlugin* p = Plugin(kStereoURI);
  ASSERT_NE(p, nullptr);
  const auto offline = RenderThroughModule(p, 2, in, {{kDrive, 14.0f}, {kOS, 2.0f}, {kQuality, 1.0f}}, &urids, 1.0f);
  const auto realtime = RenderThroughModule(p, 2, in, {{kDrive, 14.0f}, {kOS, 2.0f}, {kQuality, 1.0f}}, &urids, 0.0f);
  const auto factor16 = RenderDirect(2, in, {{kDrive, 14.0f}, {kOS, 16.0f}});
  const auto factor2 = RenderDirect(2, in, {{kDrive, 14.0f}, {kOS, 2.0f}});
  ASSERT_EQ(offline.size(), 2u);
  ASSERT_EQ(realtime.size(), 2u);
  EXPECT_EQ(offline, factor16);
  EXPECT_EQ(realtime, factor2);
  EXPECT_NE(factor16, factor2);
}

// lilv's port-value callbacks for state save and restore.
const void* NoPortValue(const char*, void*, uint32_t* size, uint32_t* type)
{
  *size = 0;
  *type = 0;
  return nullptr;
}

void IgnorePortValue(const char*, void*, const void*, uint32_t, uint32_t) {}

TEST_F(Lv2Bundle, StateTravelsThroughLilvBetweenVariants)
{
  Urids urids;
  const LilvPlugin* stereo = Plugin(kStereoURI);
  const LilvPlugin* mono = Plugin(kMonoURI);
  ASSERT_TRUE(stereo && mono);
  LilvInstance* a = lilv_plugin_instantiate(stereo, kRate, urids.features);
  LilvInstance* b = lilv_plugin_instantiate(mono, kRate, urids.features);
  ASSERT_TRUE(a && b);
  // Set values through the ports, run once to apply them.
  std::vector<float> ctlA(kNumParams + 2), ctlB(kNumParams + 2);
  std::vector<float> mins(kNumParams + 6), maxs(kNumParams + 6), defs(kNumParams + 6);
  lilv_plugin_get_port_ranges_float(stereo, mins.data(), maxs.data(), defs.data());
  for (int i = 0; i < kNumParams + 2; ++i) ctlA[i] = ctlB[i] = defs[i];
  ctlA[kDrive] = 11.5f;
  ctlA[kMono] = 1.0f;
  std::vector<float> audio(16, 0.0f);
  for (int i = 0; i < kNumParams + 2; ++i) lilv_instance_connect_port(a, (uint32_t)i, &ctlA[i]);
  for (int i = 0; i < 4; ++i) lilv_instance_connect_port(a, (uint32_t)(kNumParams + 2 + i), audio.data());
  lilv_instance_activate(a);
  lilv_instance_run(a, 16);

  LilvState* saved = lilv_state_new_from_instance(stereo, a, &urids.map, nullptr, nullptr, nullptr, nullptr,
                                                  NoPortValue, nullptr, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE,
                                                  nullptr);
  ASSERT_NE(saved, nullptr);
  char* text = lilv_state_to_string(world, &urids.map, &urids.unmap, saved, "urn:test:state", nullptr);
  ASSERT_NE(text, nullptr);
  EXPECT_NE(strstr(text, kStateKey), nullptr) << text;
  lilv_free(text);

  lilv_state_restore(saved, b, IgnorePortValue, nullptr, 0, nullptr);
  LilvState* again = lilv_state_new_from_instance(mono, b, &urids.map, nullptr, nullptr, nullptr, nullptr,
                                                  NoPortValue, nullptr, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE,
                                                  nullptr);
  ASSERT_NE(again, nullptr);
  // Same plug-in state bytes on both sides (the state URI differs by variant,
  // the property does not).
  char* t1 = lilv_state_to_string(world, &urids.map, &urids.unmap, saved, "urn:test:s", nullptr);
  char* t2 = lilv_state_to_string(world, &urids.map, &urids.unmap, again, "urn:test:s", nullptr);
  const std::string s1 = t1, s2 = t2;
  const std::string prop = std::string("<") + kStateKey + ">";
  ASSERT_NE(s1.find(prop), std::string::npos);
  ASSERT_NE(s2.find(prop), std::string::npos);
  EXPECT_EQ(s1.substr(s1.find(prop), 300), s2.substr(s2.find(prop), 300));
  lilv_free(t1);
  lilv_free(t2);
  lilv_state_free(saved);
  lilv_state_free(again);
  lilv_instance_free(a);
  lilv_instance_free(b);
}
// The description explains every control, names the licence and groups the
// audio ports; the named presets are listed by lilv and carry their values.
TEST_F(Lv2Bundle, DescriptionAndNamedPresetsReachTheHost)
{
  Urids urids;
  for (const char* uri : {kStereoURI, kMonoURI})
  {
    const LilvPlugin* p = Plugin(uri);
    ASSERT_NE(p, nullptr);
    for (const char* predicate : {LILV_NS_DOAP "license", LILV_NS_RDFS "comment", LV2_PORT_GROUPS__mainInput})
    {
      LilvNode* pred = lilv_new_uri(world, predicate);
      LilvNodes* values = lilv_plugin_get_value(p, pred);
      EXPECT_NE(values, nullptr) << uri << " " << predicate;
      lilv_nodes_free(values);
      lilv_node_free(pred);
    }
    LilvNode* comment = lilv_new_uri(world, LILV_NS_RDFS "comment");
    LilvNode* group = lilv_new_uri(world, LV2_PORT_GROUPS__group);
    for (uint32_t i = 0; i < lilv_plugin_get_num_ports(p); ++i)
    {
      const LilvPort* port = lilv_plugin_get_port_by_index(p, i);
      LilvNodes* texts = lilv_port_get_value(p, port, comment);
      LilvNodes* groups = lilv_port_get_value(p, port, group);
      if (i < (uint32_t)kNumParams)
      {
        EXPECT_STREQ(texts ? lilv_node_as_string(lilv_nodes_get_first(texts)) : "",
                     kCinderpathParamDescriptions[i].text);
      }
      else if (i >= (uint32_t)kNumParams + 2 && i < lilv_plugin_get_num_ports(p) - 1)
      {
        EXPECT_NE(groups, nullptr) << "audio port " << i;
      }
      lilv_nodes_free(texts);
      lilv_nodes_free(groups);
    }
    lilv_node_free(comment);
    lilv_node_free(group);

    LilvNode* presetClass = lilv_new_uri(world, LV2_PRESETS__Preset);
    LilvNodes* presets = lilv_plugin_get_related(p, presetClass);
    lilv_node_free(presetClass);
    ASSERT_NE(presets, nullptr);
    std::map<std::string, std::map<std::string, float>> byLabel;
    LILV_FOREACH(nodes, it, presets)
    {
      const LilvNode* preset = lilv_nodes_get(presets, it);
      lilv_world_load_resource(world, preset);
      LilvState* state = lilv_state_new_from_world(world, &urids.map, preset);
      ASSERT_NE(state, nullptr);
      std::map<std::string, float>& values = byLabel[lilv_state_get_label(state)];
      lilv_state_emit_port_values(
          state,
          [](const char* symbol, void* user, const void* value, uint32_t size, uint32_t) {
            if (size == sizeof(float)) (*static_cast<std::map<std::string, float>*>(user))[symbol] = *(const float*)value;
          },
          &values);
      lilv_state_free(state);
    }
    lilv_nodes_free(presets);
    // The presets are the factory bank: the same names, every parameter by
    // its port, the bank's values.
    ASSERT_EQ(byLabel.size(), (size_t)kCinderpathNumFactoryPresets) << uri;
    Cinderpath plug{IPlugInstanceInfo()};
    const std::vector<std::string> symbols = IPlugLV2::ParamSymbols(&plug);
    for (const CinderpathFactoryPreset& bank : kCinderpathFactoryPresets)
    {
      ASSERT_EQ(byLabel.count(bank.name), 1u) << bank.name;
      const std::map<std::string, float>& values = byLabel[bank.name];
      ASSERT_EQ(values.size(), (size_t)kNumParams) << bank.name << ": every parameter is given";
      for (int i = 0; i < kNumParams; ++i)
      {
        const auto at = values.find(symbols[i]);
        ASSERT_NE(at, values.end()) << bank.name << " " << symbols[i];
        EXPECT_EQ(at->second, (float)bank.values[i]) << bank.name << " " << symbols[i];
      }
    }
  }
}
}  // namespace
