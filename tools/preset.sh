# Sourced by the scripts that run what they build: sets $preset and $build,
# and TEMBRIL_WINE, the loader that runs that build (the prefix scripts take it).
# The add-in is 32-bit and its tests run under 32-bit Wine. Some machines'
# kernels refuse to execute 32-bit code at all (the 32-bit Wine loader fails
# with "Exec format error"); there the same sources are built for x86_64 and
# run under 64-bit Wine instead, and the 32-bit add-in is still built, so that
# it keeps compiling and linking as shipped.
if /usr/lib/wine/wine --version >/dev/null 2>&1 || [ ! -x /usr/lib/wine/wine64 ]; then
    preset=win32
    build=build/win32
    TEMBRIL_WINE=wine
else
    preset=win64-tests
    build=build/win64
    TEMBRIL_WINE=/usr/lib/wine/wine64  # the wine script would pick the 32-bit loader
    echo "note: this machine does not execute 32-bit code; running a 64-bit build of the same sources (preset win64-tests) under 64-bit Wine." >&2
fi
export TEMBRIL_WINE
