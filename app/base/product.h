#pragma once
// Settings of the product itself.

inline constexpr const char* kProductWebsite = "https://quirefeed.example.org/";
inline constexpr const char* kSupportEmail = "support@quirefeed.example.org";
