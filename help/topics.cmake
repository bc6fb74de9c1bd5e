# The help's topics in the order the compiler takes them; the first is the contents topic.
set(VISTREL_HELP_TOPICS
  contents.txt
  camera.txt
  transfer.txt
  sending.txt
  delete_clock.txt
  port.txt
  files.txt
  editing.txt
  albums.txt
  slideshow.txt
  printing.txt
  plugin.txt
  messages.txt)
list(TRANSFORM VISTREL_HELP_TOPICS PREPEND ${CMAKE_CURRENT_LIST_DIR}/text/)
set(VISTREL_HELP_TITLE "Vistrel Help")
set(VISTREL_HELP_COPYRIGHT "Copyright (c) 2026 The Vistrel developers")
