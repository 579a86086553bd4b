#!/bin/sh
# CMake's link launcher for Winelib targets: replaces the C++ driver with wineg++.
# $1 is wineg++, $2 the driver CMake chose; the rest is the link line.
winegxx=$1
shift 2
exec "$winegxx" "$@"
