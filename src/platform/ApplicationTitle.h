#pragma once
// The application's title: the caption of its boxes and its task-bar entry.

inline constexpr const char* ApplicationTitle = "Tellvane";
