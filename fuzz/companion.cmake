# tessel-audio: commands, copy-data blocks and captured frames.
if(TARGET tessel_audio_companion)
  tessel_add_fuzz(companion_messages SOURCES companion_messages_fuzz.cpp
                  LIBS tessel_audio_companion)
endif()
