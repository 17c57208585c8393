# cmake -DSCDOC=… -DIN=page.scd -DOUT=page.1.gz -DLANG=en|zh_CN -DEPOCH=seconds -P scdoc2man.cmake
# One manual page: scdoc to roff, the Chinese macros for Chinese pages (so groff breaks lines
# between Chinese characters), then gzip without a time stamp so the package is reproducible.
get_filename_component(dir "${OUT}" DIRECTORY)
file(MAKE_DIRECTORY "${dir}")
set(ENV{SOURCE_DATE_EPOCH} "${EPOCH}")
execute_process(COMMAND "${SCDOC}" INPUT_FILE "${IN}" OUTPUT_VARIABLE roff RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "scdoc failed on ${IN}")
endif()
if(LANG MATCHES "^zh")
  string(REGEX REPLACE "\n\\.TH " "\n.mso zh.tmac\n.TH " roff "${roff}")
endif()
string(REGEX REPLACE "\\.gz$" "" plain "${OUT}")
file(WRITE "${plain}" "${roff}")
execute_process(COMMAND gzip -9nf "${plain}" RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "gzip failed on ${plain}")
endif()
