#pragma once

namespace quorvel::about {

// Who makes Quorvel, as the program names it in its messages and About box.
inline constexpr const char makerAddress[] = "quorvel@example.org";
inline constexpr const char makerPage[] = "https://quorvel.example.org/";

} // namespace quorvel::about
