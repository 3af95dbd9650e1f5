# Records read from /dev/input/event* devices.
if(TARGET tessel_input)
  tessel_add_fuzz(evdev_records SOURCES evdev_records_fuzz.cpp LIBS tessel_input)
endif()
