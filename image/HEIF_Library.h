#pragma once
// libheif, loaded the first time a HEIF file is read: linked, it would slow
// every run's start by several milliseconds (it brings in libx265, libaom,
// libdav1d and libde265 with their C++ start-up), whatever the file.

#include <libheif/heif.h>
#include <string>

// The libheif functions the reader calls, named as libheif names them (their
// types taken, through ::, from its own declarations).
struct Heif_Functions {
    decltype(&::heif_context_alloc) heif_context_alloc;
    decltype(&::heif_context_free) heif_context_free;
    decltype(&::heif_context_read_from_memory_without_copy)
        heif_context_read_from_memory_without_copy;
    decltype(&::heif_context_get_primary_image_handle) heif_context_get_primary_image_handle;
    decltype(&::heif_image_handle_release) heif_image_handle_release;
    decltype(&::heif_image_handle_get_width) heif_image_handle_get_width;
    decltype(&::heif_image_handle_get_height) heif_image_handle_get_height;
    decltype(&::heif_image_handle_get_nclx_color_profile) heif_image_handle_get_nclx_color_profile;
    decltype(&::heif_image_handle_get_raw_color_profile_size)
        heif_image_handle_get_raw_color_profile_size;
    decltype(&::heif_image_handle_get_raw_color_profile) heif_image_handle_get_raw_color_profile;
    decltype(&::heif_nclx_color_profile_free) heif_nclx_color_profile_free;
    decltype(&::heif_decode_image) heif_decode_image;
    decltype(&::heif_image_release) heif_image_release;
    decltype(&::heif_image_get_width) heif_image_get_width;
    decltype(&::heif_image_get_height) heif_image_get_height;
    decltype(&::heif_image_get_plane_readonly) heif_image_get_plane_readonly;
};

// libheif's functions, loaded on the first call (from any thread) and kept
// for the process; null when libheif cannot be loaded, with the reason,
// naming the library, in *why.
const Heif_Functions* Heif_Library(std::string* why);
