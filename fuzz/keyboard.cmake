# The keyboard's decoders of what the device sends (key tables, LED table, settings block, colour memory).
if(TARGET tessel_keyboard_encoding)
  tessel_add_fuzz(keyboard_bytes SOURCES keyboard_bytes_fuzz.cpp LIBS tessel_keyboard_encoding)
endif()
