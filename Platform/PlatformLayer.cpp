// Anchors each platform library so it links while its folder is still filling up.
namespace vesperline::platform {
void platformLayerAnchor() {}
} // namespace vesperline::platform
