# Puts the page and its service worker beside the built program:
#   cmake -DSOURCE=game/web -DSITE=BUILD/site -P site.cmake
# The service worker's cache takes its name from the files it keeps.
set(files duomatch.js duomatch.wasm duomatch.data)
set(hashes "")
foreach(f ${files})
    if(NOT EXISTS ${SITE}/${f})
        message(FATAL_ERROR "site: no ${SITE}/${f}")
    endif()
    file(SHA256 ${SITE}/${f} h)
    string(APPEND hashes ${h})
endforeach()
file(SHA256 ${SOURCE}/duomatch.html h)
string(APPEND hashes ${h})
string(SHA256 version "${hashes}")
string(SUBSTRING ${version} 0 16 KWO_SITE_VERSION)
configure_file(${SOURCE}/duomatch.html ${SITE}/duomatch.html COPYONLY)
configure_file(${SOURCE}/sw.js ${SITE}/sw.js @ONLY)
