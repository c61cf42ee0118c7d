// The plugin runs on the game's own C++ runtime (/MD), which may be older than the
// tools that built the plugin. Microsoft's STL since Visual Studio 2022 17.10 gives
// std::mutex a constexpr constructor that only an msvcp140.dll at least as new as the
// tools can lock: under an older one the first lock (the log's, at login) is an access
// violation that no handler catches, and the game crashes. The top-level CMakeLists.txt
// defines the macro below for every MSVC-style build (cl and clang-cl); a build without
// it must not produce a DLL.
#if defined(_MSC_VER) && !defined(_DISABLE_CONSTEXPR_MUTEX_CONSTRUCTOR)
#error "_DISABLE_CONSTEXPR_MUTEX_CONSTRUCTOR must be defined: without it std::mutex crashes under a game's older msvcp140.dll"
#endif
