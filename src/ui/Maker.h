#pragma once

namespace quorvel::ui {

// Who makes Quorvel, as the program names it in its messages and About box.
inline constexpr const char makerAddress[] = "quorvel@example.org";
inline constexpr const char makerPage[] = "https://quorvel.example.org/";

} // namespace quorvel::ui
