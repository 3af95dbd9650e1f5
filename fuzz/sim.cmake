# The demo store's product files (sim/firmware_store.h).
if(TARGET tessel_sim)
  tessel_add_fuzz(demo_store SOURCES demo_store_fuzz.cpp LIBS tessel_sim tessel_platform)
endif()
