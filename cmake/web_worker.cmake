# SPDX-License-Identifier: GPL-3.0-or-later
# Writes the site's service worker (src/platform/backend/web/page/tessivo_worker.js) with the list
# of the site's files and a version that is the digest of all of them, once the rest of the site is
# built.
#
#   cmake -DSITE=<site folder> -DTEMPLATE=<tessivo_worker.js> -P web_worker.cmake
file(GLOB_RECURSE files RELATIVE "${SITE}" "${SITE}/*")
list(REMOVE_ITEM files tessivo_worker.js)
list(SORT files)
set(digests "")
set(entries "\"./\"")
foreach(file IN LISTS files)
  file(SHA256 "${SITE}/${file}" digest)
  string(APPEND digests "${file} ${digest}\n")
  string(APPEND entries ",\n  \"${file}\"")
endforeach()
string(SHA256 version "${digests}")
string(SUBSTRING "${version}" 0 16 TESSIVO_SITE_VERSION)
set(TESSIVO_SITE_FILES "\n  ${entries}\n")
configure_file("${TEMPLATE}" "${SITE}/tessivo_worker.js" @ONLY)
