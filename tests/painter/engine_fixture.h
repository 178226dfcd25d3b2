// A painting engine on the trace backend, with in-memory files and images, and a reader
// that turns the recorded backend calls back into the engine's own terms: which effect drew
// into which target with which textures and parameters, and which copies and loads
// happened, so that tests state whole pass sequences the way the engine thinks of them.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "device/trace/trace_backend.h"
#include "painter/effect_set.h"
#include "painter/effect_table.h"
#include "painter/engine.h"
#include "painter/image_search.h"
#include "painter/layer.h"

namespace bw::painter::testing {

// Bytes of an effect image whose pixel shader declares every parameter of the effect
// table (scalars with one float, colours with three, vectors with four) and texSampler0..7
// on stages 0..7, with minimal token streams.
std::vector<std::uint8_t> test_effect_image();
// The same for one file of the table ("formgen.1.bsf" too): exactly its row.
std::vector<std::uint8_t> test_effect_image(const std::string& file);

// Effect files a picture folder or the shared folder may hold, formgen files aside.
extern const std::vector<std::string> kSharedEffects;

// One event of a decoded trace.
struct Event {
  enum Kind { draw, copy, load, blend } kind = draw;
  std::string effect;                                // draw: effect name ("visual")
  std::string target;                                // draw: render target; copy: source
  std::string destination;                           // copy: texture; load: texture
  std::map<int, std::string> slots;                  // draw: stage -> texture name
  std::map<std::string, std::vector<float>> params;  // draw: parameter -> values
  std::vector<float> vertices;                       // draw: x, y, u, v of the 4 corners
  bool blend_on = false;                             // blend
  // Short form: "visual@back", "copy back>canvas_a", "load facture_2", "blend on".
  std::string brief() const;
  // One parameter's values (fails the test when absent).
  std::vector<float> param(const std::string& name) const;
};

class EngineFixture {
 public:
  EngineFixture();

  // --- what the engine will find ------------------------------------------------------
  std::map<std::string, std::vector<std::uint8_t>> files;  // asset path -> bytes
  std::vector<std::string> fetched;                        // paths asked for, in order
  std::vector<std::string> reported;                       // misses the fetch reported
  std::map<ImageStore, int> record_counts{
      {ImageStore::colour, 793}, {ImageStore::form, 221}, {ImageStore::facture, 118}};
  std::set<std::pair<ImageStore, int>> broken;             // (store, number) that fail
  bool store_missing = false;                              // every numbered load fails
  std::vector<std::pair<ImageStore, int>> numbered_loads;  // (store, number) asked for
  std::set<std::string> named_images{"data/shaders/oil3.jpg", "data/shaders/sig3.tga"};

  // Writes the description text of `picture` and gives the picture every effect: the
  // formgen files for plans 0 .. formgen_files - 1 in its folder, the others shared.
  void add_picture(const std::string& picture, const std::string& description,
                   int formgen_files);

  // --- the engine -----------------------------------------------------------------------
  PainterState state;
  device::TraceBackend* trace = nullptr;  // owned by the state's device
  SimulatedClock clock{60.0};
  std::uint32_t max_texture = 4096;
  std::uint32_t video_memory = 0;
  bool runtime_present = true;  // false: the device cannot be created

  // Starts the engine at render size width x height with the given seed.
  StartResult start(int width, int height, std::uint32_t seed = 12345);

  // Runs one frame and returns its decoded events.
  std::vector<Event> frame();
  // The events of the calls recorded since the last clear, decoded.
  std::vector<Event> decode();
  // Brief forms of events.
  static std::vector<std::string> briefs(const std::vector<Event>& events);

  // Name of a texture of the engine ("canvas_a", "L1.form_b" ...), or "?".
  std::string texture_name(const device::Texture* texture) const;

 private:
  void refresh_names();
  std::map<std::uint32_t, std::string> texture_handles_;
  std::map<std::uint32_t, std::string> surface_handles_;
};

// Draw events of one effect, in order.
std::vector<Event> draws_of(const std::vector<Event>& events, const std::string& effect);

}  // namespace bw::painter::testing
