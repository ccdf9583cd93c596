# System headers of one family of systems are included only by files named *Platform*, one per
# target, so everything else builds anywhere Qt does:
#   cmake -DROOT=<source dir> -P CheckPlatformCalls.cmake
set(_posix "windows|winsock2|ws2tcpip|unistd|fcntl|termios|signal|poll|pty|dirent|pwd|dlfcn|pthread|sys/[a-z_]+|arpa/[a-z_]+|netinet/[a-z_]+|netdb")
file(GLOB_RECURSE files RELATIVE ${ROOT} ${ROOT}/src/*.h ${ROOT}/src/*.cpp ${ROOT}/tools/*.h
     ${ROOT}/tools/*.cpp)
set(_faults)
foreach(f IN LISTS files)
    get_filename_component(name ${f} NAME)
    if(name MATCHES "Platform")
        continue()
    endif()
    file(STRINGS ${ROOT}/${f} hits REGEX "^[ \t]*#[ \t]*include[ \t]*<(${_posix})\\.h>")
    foreach(hit IN LISTS hits)
        list(APPEND _faults "${f}: ${hit}")
    endforeach()
endforeach()
if(_faults)
    list(JOIN _faults "\n" text)
    message(FATAL_ERROR "system calls outside a platform file:\n${text}")
endif()
list(LENGTH files n)
message(STATUS "${n} files free of system headers outside platform files")
