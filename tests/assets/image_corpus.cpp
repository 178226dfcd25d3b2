#include "image_corpus.h"

#include <sys/stat.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

namespace bw::test {

std::string corpus_dir() {
  const std::string dir = std::string(BW_TEST_TMPDIR) + "/images";
  ::mkdir(BW_TEST_TMPDIR, 0755);
  ::mkdir(dir.c_str(), 0755);
  return dir;
}

std::string corpus_path(const std::string& name) { return corpus_dir() + "/" + name; }

bool run(const std::string& command) { return std::system(command.c_str()) == 0; }

Bytes read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_file(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

Bytes pattern_rgba(int width, int height) {
  Bytes rgba;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      rgba.push_back(static_cast<std::uint8_t>(x * 255 / (width > 1 ? width - 1 : 1)));
      rgba.push_back(static_cast<std::uint8_t>(y * 255 / (height > 1 ? height - 1 : 1)));
      rgba.push_back(static_cast<std::uint8_t>((x * 37 + y * 91) & 255));
      rgba.push_back(static_cast<std::uint8_t>(1 + (x * 13 + y * 7) % 255));
    }
  }
  return rgba;
}

namespace {

void write_netpbm(const std::string& path, const std::string& header, const Bytes& rgba,
                  int channels) {
  Bytes out(header.begin(), header.end());
  for (std::size_t i = 0; i < rgba.size(); i += 4) {
    out.insert(out.end(), rgba.begin() + static_cast<std::ptrdiff_t>(i),
               rgba.begin() + static_cast<std::ptrdiff_t>(i + channels));
  }
  write_file(path, out);
}

}  // namespace

void write_pam(const std::string& path, int width, int height, const Bytes& rgba) {
  std::ostringstream header;
  header << "P7\nWIDTH " << width << "\nHEIGHT " << height
         << "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
  write_netpbm(path, header.str(), rgba, 4);
}

void write_ppm(const std::string& path, int width, int height, const Bytes& rgba) {
  write_netpbm(path, "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n",
               rgba, 3);
}

void write_pgm(const std::string& path, int width, int height, const Bytes& rgba) {
  write_netpbm(path, "P5\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n",
               rgba, 1);
}

Bytes reference_rgba(const std::string& path) {
  const std::string out = path + ".reference.rgba";
  if (!run("/usr/bin/convert '" + path + "' -auto-orient -depth 8 rgba:'" + out + "'")) return {};
  return read_file(out);
}

Bytes djpeg_samples(const std::string& path, int& components) {
  const std::string out = path + ".reference.pnm";
  components = 0;
  if (!run("djpeg -pnm -outfile '" + out + "' '" + path + "'")) return {};
  const Bytes file = read_file(out);
  // Binary netpbm header: magic, width, height, maxval, each followed by whitespace.
  std::size_t position = 0;
  int fields = 0;
  while (fields < 4 && position < file.size()) {
    while (position < file.size() && std::isspace(file[position])) ++position;
    while (position < file.size() && !std::isspace(file[position])) ++position;
    ++fields;
  }
  if (file.size() < 2 || fields < 4) return {};
  components = file[1] == '6' ? 3 : 1;
  return Bytes(file.begin() + static_cast<std::ptrdiff_t>(position + 1), file.end());
}

}  // namespace bw::test
