# Sources of the 1.7.7.6 build, relative to src/.
set(PIXMILL_BUILD_SOURCES
    frame/library_state.cpp
    frame/constant_block.cpp
    frame/border.cpp
    frame/convert_entry.cpp
    demosaic/bilinear.cpp
    demosaic/forward_window.cpp
    demosaic/mapped_window.cpp
    demosaic/rotated_two_by_two.cpp
    demosaic/vector/cpu_path.cpp
    demosaic/vector/bilinear_x86.cpp
    demosaic/vector/forward_window_x86.cpp
    calib/white_balance.cpp
    calib/gamma.cpp
    calib/dead_pixel.cpp
    calib/pattern_noise.cpp
)
