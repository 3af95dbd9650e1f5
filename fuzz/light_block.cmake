# The light settings block the mousepad and the headset send, and the zone
# effects that index their tables with its bytes.
if(TARGET tessel_device_base)
  tessel_add_fuzz(light_block SOURCES light_block_fuzz.cpp LIBS tessel_device_base)
endif()
