# The keyboard's decoders of what the device sends (key tables, LED table, settings block, colour memory).
if(TARGET tessel_keyboard_encoding)
  tessel_add_fuzz(keyboard_bytes SOURCES keyboard_bytes_fuzz.cpp LIBS tessel_keyboard_encoding)
endif()

# The skin's cell names and the keyboard's status usages as the controller reads them.
if(TARGET tessel_device_keyboard)
  tessel_add_fuzz(keyboard_cells SOURCES keyboard_cells_fuzz.cpp LIBS tessel_device_keyboard)
endif()
