# Keyboard key values as text (tesselctl set keyboard key.P=VALUE).
if(TARGET tessel_device_keyboard)
  tessel_add_fuzz(keyboard_key_text SOURCES keyboard_key_text_fuzz.cpp LIBS tessel_device_keyboard)
endif()
