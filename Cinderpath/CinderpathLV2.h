// What the LV2 module and the LV2 UI module of Cinderpath share: the plug-in
// and UI URIs and the clip indicator's control output port.
#ifndef CINDERPATH_CINDERPATHLV2_H
#define CINDERPATH_CINDERPATHLV2_H

#define CINDERPATH_LV2_URI "https://cinderpath.example/lv2/cinderpath"
#define CINDERPATH_LV2_MONO_URI CINDERPATH_LV2_URI "-mono"
// The UIs of the two variants: the same editor; each knows its variant's port layout.
#define CINDERPATH_LV2_UI_URI CINDERPATH_LV2_URI "#ui"
#define CINDERPATH_LV2_MONO_UI_URI CINDERPATH_LV2_MONO_URI "#ui"

// The clip indicator, published after the audio ports: 1 while either
// output has gone above full scale within the last 0.75 s, else 0.
#define CINDERPATH_LV2_CLIP_PORT(read)                                                             \
  {"clip", "Clip", "1 while either output went above full scale within the last 0.75 s, else 0", \
   true, 0.0, 1.0, read}

#endif
