// The device kinds' pages live in their own files (mouse_page, keyboard_page,
// mousepad_page, hs6533_page); this unit only checks that the header that
// gathers them stands on its own.
#include "ui/device/device_kinds.h"
