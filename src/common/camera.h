#pragma once

#include <cstddef>

namespace korvel {

// The two line-scan cameras. The record types of the file format (1 for A, 2 for B) and the
// owner letters of a particle are data and keep their own values; everything inside the
// program names a camera with this type.
enum class Camera { A, B };

inline constexpr Camera kCameras[] = {Camera::A, Camera::B};

// 0 for A, 1 for B: the index of a camera's entry in per-camera arrays.
constexpr size_t camera_index(Camera c) {
    return c == Camera::A ? 0 : 1;
}

constexpr char camera_letter(Camera c) {
    return c == Camera::A ? 'A' : 'B';
}

}  // namespace korvel
