// Placeholder translation unit for a deliverable whose code has not arrived yet.
namespace {
[[maybe_unused]] constexpr int kEmptyLibrary = 0;
}
