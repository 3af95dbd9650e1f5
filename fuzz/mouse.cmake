# The mouse's decoders of what the device sends (identity, settings block, key table, input usages).
if(TARGET tessel_mouse_encoding)
  tessel_add_fuzz(mouse_bytes SOURCES mouse_bytes_fuzz.cpp LIBS tessel_mouse_encoding)
endif()
