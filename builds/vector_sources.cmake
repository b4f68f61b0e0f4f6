# The vector prefixes every build's bilinear, forward-window and
# gradient-directed methods share, relative to src/, with the processor check
# that picks among them and the cap on it (frame/cpu_cap.cpp, which the
# adjustments' check shares).  Each build's sources.cmake adds them to its list.
set(PIXMILL_VECTOR_SOURCES
    frame/cpu_cap.cpp
    demosaic/vector/cpu_path.cpp
    demosaic/vector/row_prefixes_x86.cpp
    demosaic/vector/pixels_sse2.cpp
    demosaic/vector/pixels_avx.cpp
    demosaic/vector/pixels_avx2.cpp
    demosaic/vector/pixels_avx512.cpp
)
