# The audio chip's text: feature strings, decimal values and mixer descriptions.
if(TARGET tessel_audio)
  tessel_add_fuzz(audio_text SOURCES audio_text_fuzz.cpp LIBS tessel_audio)
endif()
