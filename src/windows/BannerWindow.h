#pragma once

// The banner's own handler: where it appears once it exists.
namespace avatrix::windows {

// Created: moves the banner to (318, 500) on the screen.
void PlaceBannerWindow();

}  // namespace avatrix::windows
