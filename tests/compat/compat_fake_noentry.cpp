// A loadable executable that exports no component entry.
extern "C" __attribute__((visibility("default"))) int FakeNoEntry_Version() { return 1; }
