# SPDX-License-Identifier: GPL-3.0-or-later
# Writes the program built for the browser's own suspension (the jspi build under the WebAssembly
# build) into the site. Its loader reads the site's one data file (tessivo_start.js points it
# there), so that file must be the one this build would have written: the same fonts at the same
# places.
#
#   cmake -DFROM=<jspi build's site> -DSITE=<site folder> -P web_jspi_page.cmake
file(SHA256 "${FROM}/tessivo-jspi.data" jspi_data)
file(SHA256 "${SITE}/tessivo.data" site_data)
if(NOT jspi_data STREQUAL site_data)
  message(FATAL_ERROR "The two builds of the page packed different fonts (${FROM}/tessivo-jspi.data and "
                      "${SITE}/tessivo.data): the page would read the wrong one")
endif()
file(COPY "${FROM}/tessivo-jspi.js" "${FROM}/tessivo-jspi.wasm" DESTINATION "${SITE}")
# (Copied now, not as old as the build that made them: the site's build compares their times.)
file(TOUCH_NOCREATE "${SITE}/tessivo-jspi.js" "${SITE}/tessivo-jspi.wasm")
