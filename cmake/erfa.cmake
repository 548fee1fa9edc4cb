# ERFA, the IAU SOFA routines, for varn_core: the target named by VARN_ERFA.
#
# In order of precedence:
#   1. ERFA's release source, when VARN_ERFA_SOURCE (a CMake variable or the
#      environment variable of that name) names its folder or its .tar.gz;
#   2. ERFA_INCLUDE_DIR and ERFA_LIBRARY, when both are given;
#   3. the system's ERFA, through pkg-config or in the usual places;
#   4. the release source downloaded from its official URL and checked
#      against its SHA-256, unless VARN_ERFA_DOWNLOAD is OFF.
# ERFA built from source is a static library with position-independent
# code, compiled like varn itself without contraction (-ffp-contract=off;
# MSVC /fp:precise): a fused multiply-add rounds once where the published
# algorithm rounds twice, which changes the last bits of the rotation.
# Every ERFA built by its own defaults on arm64 (GCC and clang contract
# there) is such an ERFA, so the source route is the one that reproduces
# the x86-64 results bit for bit.

set(VARN_ERFA_SOURCE "$ENV{VARN_ERFA_SOURCE}" CACHE STRING
    "ERFA's release source (folder or .tar.gz) to build instead of the system's ERFA")
option(VARN_ERFA_DOWNLOAD "Download ERFA's release source when no ERFA is found" ON)

# ERFA 2.0.0, the release that varn is tested with. The archive is the
# upstream tag's tarball, the very file Debian ships as erfa_2.0.0.orig.tar.gz;
# the second address is Debian's copy of it.
set(VARN_ERFA_URLS
    https://github.com/liberfa/erfa/archive/refs/tags/v2.0.0.tar.gz
    https://deb.debian.org/debian/pool/main/e/erfa/erfa_2.0.0.orig.tar.gz)
set(VARN_ERFA_SHA256 e40f5175604c50c46fded7f9f76565dd5879a7f4ee27fa4484c2af217b7dfeb4)

# varn_erfa_from_source(<folder>): the static library varn_erfa from the C
# sources of an ERFA tree (<folder>/src/*.c, or <folder>/*.c), without its
# test programs and without erfaversion.c, which needs the configure
# script's config.h and which varn does not call.
function(varn_erfa_from_source dir)
  if(EXISTS ${dir}/src/erfa.h)
    set(dir ${dir}/src)
  endif()
  if(NOT EXISTS ${dir}/erfa.h OR NOT EXISTS ${dir}/pn06a.c)
    message(FATAL_ERROR "VARN_ERFA_SOURCE: no ERFA source in ${dir} (erfa.h and the .c files)")
  endif()
  file(GLOB sources ${dir}/*.c)
  list(FILTER sources EXCLUDE REGEX "/(t_erfa_c[^/]*|erfaversion)\\.c$")
  add_library(varn_erfa STATIC ${sources})
  target_include_directories(varn_erfa SYSTEM PUBLIC ${dir})
  set_target_properties(varn_erfa PROPERTIES POSITION_INDEPENDENT_CODE ON)
  target_compile_options(varn_erfa PRIVATE
    "$<$<C_COMPILER_ID:GNU,Clang,AppleClang>:-O2;-ffp-contract=off>"
    "$<$<C_COMPILER_ID:MSVC>:/fp:precise>")
  if(VARN_MATH_LIBRARY)
    target_link_libraries(varn_erfa PUBLIC ${VARN_MATH_LIBRARY})
  endif()
  set(VARN_ERFA varn_erfa PARENT_SCOPE)
  set(VARN_ERFA_SOURCE_DIR ${dir} PARENT_SCOPE)
  message(STATUS "ERFA: built from the release source in ${dir}")
endfunction()

# The separate maths library where the platform has one (not MSVC, not macOS
# where libSystem holds it).
find_library(VARN_MATH_LIBRARY m)
mark_as_advanced(VARN_MATH_LIBRARY)

include(FetchContent)
if(POLICY CMP0135)
  cmake_policy(SET CMP0135 NEW)  # unpacked files dated now: a new archive rebuilds
endif()
set(VARN_ERFA "")
if(VARN_ERFA_SOURCE)
  get_filename_component(source "${VARN_ERFA_SOURCE}" ABSOLUTE)
  if(IS_DIRECTORY "${source}")
    varn_erfa_from_source("${source}")
  elseif(EXISTS "${source}")
    FetchContent_Declare(varn_erfa_release URL "${source}")
    FetchContent_MakeAvailable(varn_erfa_release)  # no CMakeLists.txt: unpacked only
    varn_erfa_from_source("${varn_erfa_release_SOURCE_DIR}")
  else()
    message(FATAL_ERROR "VARN_ERFA_SOURCE: '${VARN_ERFA_SOURCE}' is neither a folder nor a file")
  endif()
elseif(ERFA_INCLUDE_DIR AND ERFA_LIBRARY)
  # Explicit paths win over whatever pkg-config knows.
  add_library(erfa_lib UNKNOWN IMPORTED)
  set_target_properties(erfa_lib PROPERTIES IMPORTED_LOCATION "${ERFA_LIBRARY}"
                                            INTERFACE_INCLUDE_DIRECTORIES "${ERFA_INCLUDE_DIR}")
  set(VARN_ERFA erfa_lib)
  message(STATUS "ERFA: ${ERFA_LIBRARY} (given)")
else()
  find_package(PkgConfig QUIET)
  if(PkgConfig_FOUND)
    pkg_check_modules(ERFA QUIET IMPORTED_TARGET erfa)
  endif()
  if(TARGET PkgConfig::ERFA)
    set(VARN_ERFA PkgConfig::ERFA)
    message(STATUS "ERFA: the system's, version ${ERFA_VERSION} (pkg-config)")
  else()
    find_path(ERFA_INCLUDE_DIR erfa.h)
    find_library(ERFA_LIBRARY erfa)
    if(ERFA_INCLUDE_DIR AND ERFA_LIBRARY)
      add_library(erfa_lib UNKNOWN IMPORTED)
      set_target_properties(erfa_lib PROPERTIES IMPORTED_LOCATION "${ERFA_LIBRARY}"
                                                INTERFACE_INCLUDE_DIRECTORIES "${ERFA_INCLUDE_DIR}")
      set(VARN_ERFA erfa_lib)
      message(STATUS "ERFA: ${ERFA_LIBRARY}")
    elseif(VARN_ERFA_DOWNLOAD)
      FetchContent_Declare(varn_erfa_release URL ${VARN_ERFA_URLS}
                           URL_HASH SHA256=${VARN_ERFA_SHA256})
      FetchContent_MakeAvailable(varn_erfa_release)
      varn_erfa_from_source("${varn_erfa_release_SOURCE_DIR}")
    else()
      message(FATAL_ERROR "ERFA not found. Install it (Debian/Ubuntu: liberfa-dev), name its "
              "release source with -DVARN_ERFA_SOURCE=<folder or .tar.gz>, give ERFA_INCLUDE_DIR "
              "and ERFA_LIBRARY, or allow the download with -DVARN_ERFA_DOWNLOAD=ON.")
    endif()
  endif()
endif()
