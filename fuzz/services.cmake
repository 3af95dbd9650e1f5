# The update service's answers, the last-check file and the skin record.
if(TARGET tessel_services)
  tessel_add_fuzz(update_response SOURCES update_response_fuzz.cpp LIBS tessel_services)
  tessel_add_fuzz(update_time SOURCES update_time_fuzz.cpp LIBS tessel_services)
  tessel_add_fuzz(skin_record SOURCES skin_record_fuzz.cpp LIBS tessel_services)
  tessel_add_fuzz(palette_file SOURCES palette_file_fuzz.cpp LIBS tessel_services)
endif()
# The audio style file "AudioFile.json".
if(TARGET tessel_services)
  tessel_add_fuzz(audio_styles SOURCES audio_styles_fuzz.cpp LIBS tessel_services)
endif()
