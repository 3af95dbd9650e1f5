# The audio companion's copy-data blocks (sound packets, external colour).
if(TARGET tessel_services)
  tessel_add_fuzz(audio_packets SOURCES audio_packets_fuzz.cpp LIBS tessel_services)
endif()
