# Game events: "tesselctl event" numbers and any wParam / lParam posted to the window.
if(TARGET tessel_tesselctl AND TARGET tessel_shell)
  tessel_add_fuzz(event_args SOURCES event_args_fuzz.cpp LIBS tessel_tesselctl tessel_shell)
endif()
