// The stand-in's identity, for messages of its admin tool.
extern "C" const char *ocilite_version() { return "ocilite 0.1"; }
