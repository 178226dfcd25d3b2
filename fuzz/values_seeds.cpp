// Writes the seed corpus of values_text_fuzz into the folder named by the first argument.
#include <cstdio>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "values_seeds: usage: values_seeds DIR\n");
    return 2;
  }
  std::filesystem::create_directories(argv[1]);
  struct Seed { unsigned char type, flags, size, mode; const char* text; };
  const Seed seeds[] = {
      {1, 0, 8, 0, "abc"},           {2, 0, 3, 0, "15.06.2007"},
      {2, 0, 3, 2, "06/15/2007"},    {3, 0, 3, 0, "12:30:00"},
      {3, 0, 4, 0, "15.06.2007 12:30:00"},
      {4, 0, 4, 0, "#42"},           {5, 2, 6, 0, "#3:7"},
      {6, 2, 4, 1, "-1.25"},         {7, 0, 2, 0, "0x1F"},
      {6, 0, 4, 4, "2*(3+^2)"},      {8, 3, 4, 0, "3.5e2"},
      {9, 9, 8, 0, "-0.125"},        {10, 2, 13, 0, "{ab;1.5;{01.02.2003;10:00:00}}"},
      {11, 0, 4, 8, "^Pair.Left[2]"}, {0, 0, 4, 0, "^2.X[3]"},
  };
  int n = 0;
  for (const Seed& s : seeds) {
    std::string bytes{static_cast<char>(s.type), static_cast<char>(s.flags),
                      static_cast<char>(s.size), static_cast<char>(s.mode)};
    bytes += s.text;
    std::string path = std::string(argv[1]) + "/seed" + std::to_string(n++);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
      std::fprintf(stderr, "values_seeds: can't write \"%s\"\n", path.c_str());
      return 1;
    }
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  return 0;
}
