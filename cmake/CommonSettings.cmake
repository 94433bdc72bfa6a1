# Warnings and strict Qt defines shared by every target of ours.
add_library(tavrell_settings INTERFACE)
target_compile_features(tavrell_settings INTERFACE cxx_std_20)
target_compile_options(tavrell_settings INTERFACE -Wall -Wextra)
target_compile_definitions(tavrell_settings INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_CONTEXTLESS_CONNECT
    QT_NO_FOREACH
    QT_NO_URL_CAST_FROM_STRING
    QT_NO_CAST_TO_ASCII
    QT_NO_CAST_FROM_BYTEARRAY
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_STRICT_ITERATORS)
