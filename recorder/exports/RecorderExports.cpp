// The recorder library's entry points as the control panel calls them. The
// recorder window is not built yet: until it is, the panel can load this
// library and call every export, and nothing opens (OpenDlg answers that no
// window is shown).

#define NUVRECORD_EXPORT extern "C" __attribute__((visibility("default")))

NUVRECORD_EXPORT int OpenDlg(int, int, int, int) { return 0; }

NUVRECORD_EXPORT void SetDlgPos(int, int) {}

NUVRECORD_EXPORT void ShowDlgHide(int) {}
