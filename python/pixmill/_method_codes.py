"""The method codes and export sets of every build.

Made from builds/<build>/methods.txt and exports.def by
builds/method_codes.cmake; edit those, then run
``cmake -P builds/method_codes.cmake``.
"""
from enum import IntEnum
from typing import Dict, Tuple, Type


class RgbMethod_1_7_7_6(IntEnum):
    """Method codes of ConvertBayer2Rgb in build 1.7.7.6."""

    #: offset bilinear: neighbours' averages a pixel down and right (picture moves 1 px up-left)
    OFFSET_BILINEAR = 0
    #: mapped forward window: 2 x 2 window through a pixel map
    MAPPED_WINDOW = 1
    #: bilinear interpolation (default)
    BILINEAR = 2
    #: sorted-neighbour median of colour differences
    SORTED_MEDIAN = 3
    #: gradient-directed interpolation of colour differences
    GRADIENT = 4
    #: forward window: 2 x 2 window
    FORWARD_WINDOW = 5
    #: green-guided interpolation
    GREEN_GUIDED = 6
    #: smoothed forward window
    SMOOTHED_WINDOW = 7
    #: Laplacian-corrected interpolation
    LAPLACIAN = 8
    #: rotated two-by-two: output turned a quarter, height x width
    ROTATED_TWO_BY_TWO = 9


class RgbExMethod_1_7_7_6(IntEnum):
    """Method codes of ConvertBayer2RgbEx in build 1.7.7.6."""

    #: offset bilinear (as code 0 of ConvertBayer2Rgb)
    OFFSET_BILINEAR = 0
    #: mapped forward window (as code 1 of ConvertBayer2Rgb)
    MAPPED_WINDOW = 1
    #: bilinear interpolation
    BILINEAR = 2
    #: counted-neighbour median of colour differences
    EX_COUNTED_MEDIAN = 3
    #: The earlier name of EX_COUNTED_MEDIAN.
    COUNTED_MEDIAN = 3
    #: gradient-directed interpolation of colour differences
    GRADIENT = 4
    #: mapped forward window (the same method as code 1)
    EX_MAPPED_WINDOW = 5
    #: The earlier name of EX_MAPPED_WINDOW.
    MAPPED_WINDOW_EX = 5
    #: green-guided interpolation
    GREEN_GUIDED = 6


class RgbMethod_1_5_0_1(IntEnum):
    """Method codes of ConvertBayer2Rgb in build 1.5.0.1."""

    #: offset bilinear: neighbours' averages a pixel down and right (picture moves 1 px up-left)
    OFFSET_BILINEAR = 0
    #: mapped forward window without the border step
    MAPPED_WINDOW = 1
    #: bilinear interpolation (default)
    BILINEAR = 2
    #: sorted-neighbour median of colour differences
    SORTED_MEDIAN = 3
    #: gradient-directed interpolation of colour differences
    GRADIENT = 4
    #: forward window without the border step, never smoothed
    FORWARD_WINDOW = 5
    #: green-guided interpolation
    GREEN_GUIDED = 6


class RgbExMethod_1_5_0_1(IntEnum):
    """Method codes of ConvertBayer2RgbEx in build 1.5.0.1."""

    #: offset bilinear (as code 0 of ConvertBayer2Rgb)
    OFFSET_BILINEAR = 0
    #: mapped forward window without the border step
    MAPPED_WINDOW = 1
    #: bilinear interpolation
    BILINEAR = 2
    #: counted-neighbour median of colour differences
    EX_COUNTED_MEDIAN = 3
    #: gradient-directed interpolation of colour differences
    GRADIENT = 4
    #: mapped forward window (the same method as code 1)
    EX_MAPPED_WINDOW = 5
    #: green-guided interpolation
    GREEN_GUIDED = 6


class RgbMethod_1_1_2_0(IntEnum):
    """Method codes of ConvertBayer2Rgb in build 1.1.2.0."""

    #: offset bilinear: neighbours' averages a pixel down and right (picture moves 1 px up-left)
    OFFSET_BILINEAR = 0
    #: two-by-two: the forward window, never smoothed
    TWO_BY_TWO = 1
    #: bilinear interpolation (default)
    BILINEAR = 2
    #: counted-neighbour median against the exact mean
    FLOAT_COUNTED_MEDIAN = 3
    #: gradient-directed interpolation of colour differences
    GRADIENT = 4
    #: edge-weighted colour differences on planes (frames up to 1796 x 2396)
    COLOUR_DIFFERENCE_PLANES = 5
    #: directional green, green-guided red and blue
    DIRECTIONAL_GREEN_GUIDED = 6


#: Per build and entry, one row per code in code order:
#: (code, name, routine, sets_flag, follows_flag, turns, description); codes of one
#: routine give the same image (with follows_flag, once the flag is set).
METHOD_CODES: Dict[str, Dict[str, Tuple[Tuple[int, str, str, bool, bool, bool, str], ...]]] = {
    "1.7.7.6": {
        "ConvertBayer2Rgb": (
            (0, "OFFSET_BILINEAR", "offsetBilinear", False, False, False, "offset bilinear: neighbours' averages a pixel down and right (picture moves 1 px up-left)"),
            (1, "MAPPED_WINDOW", "mappedWindow", False, False, False, "mapped forward window: 2 x 2 window through a pixel map"),
            (2, "BILINEAR", "bilinear", False, False, False, "bilinear interpolation (default)"),
            (3, "SORTED_MEDIAN", "sortedMedian", False, False, False, "sorted-neighbour median of colour differences"),
            (4, "GRADIENT", "gradientDirected", False, False, False, "gradient-directed interpolation of colour differences"),
            (5, "FORWARD_WINDOW", "forwardWindow", False, True, False, "forward window: 2 x 2 window"),
            (6, "GREEN_GUIDED", "greenGuided", False, False, False, "green-guided interpolation"),
            (7, "SMOOTHED_WINDOW", "forwardWindow", True, True, False, "smoothed forward window"),
            (8, "LAPLACIAN", "laplacianGradient", False, False, False, "Laplacian-corrected interpolation"),
            (9, "ROTATED_TWO_BY_TWO", "rotatedTwoByTwo", True, False, True, "rotated two-by-two: output turned a quarter, height x width"),
        ),
        "ConvertBayer2RgbEx": (
            (0, "OFFSET_BILINEAR", "offsetBilinear", False, False, False, "offset bilinear (as code 0 of ConvertBayer2Rgb)"),
            (1, "MAPPED_WINDOW", "mappedWindow", False, False, False, "mapped forward window (as code 1 of ConvertBayer2Rgb)"),
            (2, "BILINEAR", "bilinear", False, False, False, "bilinear interpolation"),
            (3, "EX_COUNTED_MEDIAN", "countedMedian", False, False, False, "counted-neighbour median of colour differences"),
            (4, "GRADIENT", "gradientDirected", False, False, False, "gradient-directed interpolation of colour differences"),
            (5, "EX_MAPPED_WINDOW", "mappedWindow", False, False, False, "mapped forward window (the same method as code 1)"),
            (6, "GREEN_GUIDED", "greenGuided", False, False, False, "green-guided interpolation"),
        ),
    },
    "1.5.0.1": {
        "ConvertBayer2Rgb": (
            (0, "OFFSET_BILINEAR", "offsetBilinear", False, False, False, "offset bilinear: neighbours' averages a pixel down and right (picture moves 1 px up-left)"),
            (1, "MAPPED_WINDOW", "mappedWindowUnbordered", False, False, False, "mapped forward window without the border step"),
            (2, "BILINEAR", "bilinear", False, False, False, "bilinear interpolation (default)"),
            (3, "SORTED_MEDIAN", "sortedMedian", False, False, False, "sorted-neighbour median of colour differences"),
            (4, "GRADIENT", "gradientDirected", False, False, False, "gradient-directed interpolation of colour differences"),
            (5, "FORWARD_WINDOW", "forwardWindowUnbordered", False, False, False, "forward window without the border step, never smoothed"),
            (6, "GREEN_GUIDED", "greenGuided", False, False, False, "green-guided interpolation"),
        ),
        "ConvertBayer2RgbEx": (
            (0, "OFFSET_BILINEAR", "offsetBilinear", False, False, False, "offset bilinear (as code 0 of ConvertBayer2Rgb)"),
            (1, "MAPPED_WINDOW", "mappedWindowUnbordered", False, False, False, "mapped forward window without the border step"),
            (2, "BILINEAR", "bilinear", False, False, False, "bilinear interpolation"),
            (3, "EX_COUNTED_MEDIAN", "countedMedian", False, False, False, "counted-neighbour median of colour differences"),
            (4, "GRADIENT", "gradientDirected", False, False, False, "gradient-directed interpolation of colour differences"),
            (5, "EX_MAPPED_WINDOW", "mappedWindowUnbordered", False, False, False, "mapped forward window (the same method as code 1)"),
            (6, "GREEN_GUIDED", "greenGuided", False, False, False, "green-guided interpolation"),
        ),
    },
    "1.1.2.0": {
        "ConvertBayer2Rgb": (
            (0, "OFFSET_BILINEAR", "offsetBilinear", False, False, False, "offset bilinear: neighbours' averages a pixel down and right (picture moves 1 px up-left)"),
            (1, "TWO_BY_TWO", "twoByTwo", False, False, False, "two-by-two: the forward window, never smoothed"),
            (2, "BILINEAR", "bilinear", False, False, False, "bilinear interpolation (default)"),
            (3, "FLOAT_COUNTED_MEDIAN", "floatCountedMedian", False, False, False, "counted-neighbour median against the exact mean"),
            (4, "GRADIENT", "gradientDirectedQuiet", False, False, False, "gradient-directed interpolation of colour differences"),
            (5, "COLOUR_DIFFERENCE_PLANES", "colourDifferencePlanes", False, False, False, "edge-weighted colour differences on planes (frames up to 1796 x 2396)"),
            (6, "DIRECTIONAL_GREEN_GUIDED", "directionalGreenGuided", False, False, False, "directional green, green-guided red and blue"),
        ),
    },
}

#: Per (build, entry), the enumeration of its method codes.
METHOD_ENUMS: Dict[Tuple[str, str], Type[IntEnum]] = {
    ("1.7.7.6", "ConvertBayer2Rgb"): RgbMethod_1_7_7_6,
    ("1.7.7.6", "ConvertBayer2RgbEx"): RgbExMethod_1_7_7_6,
    ("1.5.0.1", "ConvertBayer2Rgb"): RgbMethod_1_5_0_1,
    ("1.5.0.1", "ConvertBayer2RgbEx"): RgbExMethod_1_5_0_1,
    ("1.1.2.0", "ConvertBayer2Rgb"): RgbMethod_1_1_2_0,
}

#: Per build, every symbol it exports (and no other).
EXPORTS: Dict[str, Tuple[str, ...]] = {
    "1.7.7.6": ("PmGetConstantBlock", "_Z14PmEmphasize24BPhiifS_", "_Z15PmRotate90CCW8BPhiiS_", "_Z14PmRotate90CW8BPhiiS_", "AvgPatternNoise", "ConvertBayer2Rgb", "ConvertBayer2RgbEx", "DetectDeadPixel", "EraseDeadPixel", "FixPatternNoise", "GetPatternNoise", "GetWhiteBalanceRatio", "PmBrightness", "PmContrast", "PmConvert", "PmRotate90CCW8B", "PmRotate90CW8B", "PmSharpen24B", "ROIColorCorrection", "Raw10PackedToRaw16", "Raw12PackedToRaw16", "SetBadPixelThreshold", "SetGammaLut"),
    "1.5.0.1": ("PmGetConstantBlock", "AvgPatternNoise", "ConvertBayer2Rgb", "ConvertBayer2RgbEx", "DetectDeadPixel", "EraseDeadPixel", "FixPatternNoise", "GetPatternNoise", "GetWhiteBalanceRatio", "SetGammaLut"),
    "1.1.2.0": ("AvgPatternNoise", "ConvertBayer2Rgb", "DetectDeadPixel", "EraseDeadPixel", "FixPatternNoise", "GetPatternNoise", "GetWhiteBalanceRatio", "SetGammaLut"),
}
