# Writes the page as one HTML file that opens from disk: index.html with the
# program's script (its WebAssembly inside) and page.js written into it, in
# place of the line that loads page.js. The program goes in a script element
# of a type the browser does not run, ahead of page.js, which starts it only
# once it has found WebAssembly, as it loads the served page's program.
#
#   cmake -DPAGE=index.html -DSCRIPT=page.js -DPROGRAM=PROGRAM.js -DOUTPUT=OUT.html -P single-file.cmake
cmake_policy(VERSION 3.20)
foreach(name PAGE SCRIPT PROGRAM OUTPUT)
  if(NOT DEFINED ${name})
    message(FATAL_ERROR "single-file.cmake: ${name} is not given")
  endif()
endforeach()
file(READ ${PAGE} page)
file(READ ${SCRIPT} script)
file(READ ${PROGRAM} program)

set(loader "<script src=\"page.js\"></script>")
string(FIND "${page}" "${loader}" first)
string(FIND "${page}" "${loader}" last REVERSE)
if(first EQUAL -1 OR NOT first EQUAL last)
  message(FATAL_ERROR "${PAGE} must load page.js once, by the line ${loader}")
endif()

# A script written into the page ends at the first "</script" in it, and one
# with "<!--" in it may run on past its end; neither may be in them.
foreach(part script program)
  string(TOLOWER "${${part}}" text)
  string(TOUPPER ${part} file)
  foreach(cut "</script" "<!--")
    string(FIND "${text}" "${cut}" at)
    if(NOT at EQUAL -1)
      message(FATAL_ERROR "${${file}} holds \"${cut}\" and cannot be written into the page")
    endif()
  endforeach()
endforeach()

string(REPLACE "${loader}"
  "<script type=\"text/x-kimallusmylly\" id=\"kimallusmylly-program\">\n${program}\n</script>\n<script>\n${script}</script>"
  page "${page}")
# Whole or not at all: a build stopped half-way leaves no half a page.
file(WRITE ${OUTPUT}.part "${page}")
file(RENAME ${OUTPUT}.part ${OUTPUT})
