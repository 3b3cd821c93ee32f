# duomatch as a web page (an Emscripten build; scripts/web.sh makes it): the
# program as duomatch.js and duomatch.wasm, the game's data preloaded from
# duomatch.data, beside the page duomatch.html and its service worker sw.js,
# all in site/ of the build folder, which any static web server can serve.
set(KWO_WEB_DATA_DIR "" CACHE PATH "The game's data as a native build makes it (its data/ folder)")
if(NOT EXISTS "${KWO_WEB_DATA_DIR}/duomatch.dat")
    message(FATAL_ERROR "KWO_WEB_DATA_DIR must name a folder with duomatch.dat and the card sets "
        "(the data/ folder of a native build)")
endif()

set(DUOMATCH_SITE ${PROJECT_BINARY_DIR}/site)
set(DUOMATCH_PRE_JS ${CMAKE_CURRENT_LIST_DIR}/pre.js)
file(GLOB DUOMATCH_WEB_DATA CONFIGURE_DEPENDS ${KWO_WEB_DATA_DIR}/*)

set_target_properties(duomatch PROPERTIES
    SUFFIX .js
    RUNTIME_OUTPUT_DIRECTORY ${DUOMATCH_SITE}
    LINK_DEPENDS "${DUOMATCH_PRE_JS};${DUOMATCH_WEB_DATA}")
# The game's loops wait and poll as on a desktop: Asyncify lets them give the
# page its turn at every sleep. The highscores live in IndexedDB (IDBFS, see
# pre.js); the runtime ends with the game, so that the page can say so.
target_link_options(duomatch PRIVATE
    -sASYNCIFY
    -sENVIRONMENT=web
    -sINITIAL_MEMORY=33554432
    -sALLOW_MEMORY_GROWTH=1
    -sEXIT_RUNTIME=1
    -lidbfs.js
    "SHELL:--pre-js ${DUOMATCH_PRE_JS}"
    "SHELL:--preload-file ${KWO_WEB_DATA_DIR}@/duomatch")

# The page and the service worker, whose cache is named after the build's
# files: a new build replaces what a browser keeps for playing offline.
add_custom_command(
    OUTPUT ${DUOMATCH_SITE}/duomatch.html ${DUOMATCH_SITE}/sw.js
    COMMAND ${CMAKE_COMMAND} -DSOURCE=${CMAKE_CURRENT_LIST_DIR} -DSITE=${DUOMATCH_SITE}
        -P ${CMAKE_CURRENT_LIST_DIR}/site.cmake
    DEPENDS duomatch ${CMAKE_CURRENT_LIST_DIR}/duomatch.html ${CMAKE_CURRENT_LIST_DIR}/sw.js
        ${CMAKE_CURRENT_LIST_DIR}/site.cmake
    COMMENT "The web page in ${DUOMATCH_SITE}"
    VERBATIM)
add_custom_target(duomatch_site ALL DEPENDS ${DUOMATCH_SITE}/duomatch.html ${DUOMATCH_SITE}/sw.js)
