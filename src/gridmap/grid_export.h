#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "gridmap/grid_scan.h"
#include "job/hooks.h"
#include "job/outcome.h"

namespace meldrit::gridmap {

// The files other programs open grids in, chosen by the output's ending.
enum class ExportFormat {
  Vti,     // VTK XML image data, raw appended binary in this machine's byte order (declared)
  Vtk,     // legacy VTK STRUCTURED_POINTS, binary big-endian
  GeoEas,  // GSLIB's text: title, number of variables, their names, one line per node
  Grdecl,  // Eclipse properties: a keyword per array, its values, then "/"
};

// By the ending: .vti, .vtk, .dat or .gslib, .grdecl (any case); none for another.
std::optional<ExportFormat> export_format_of(std::string_view path);

// The endings a chooser offers, as one filter line ("*.vti *.vtk ...").
inline constexpr std::string_view kExportEndings = "*.vti *.vtk *.dat *.gslib *.grdecl";

// One per-node file: one value per node, X fastest, then Y, then Z, after its header lines.
struct ExportInput {
  std::string path;
  std::string skip = "0";  // as a skip box reads it, or geoeas
  std::string name;        // the array's name; empty: from the file name
};

struct ExportRequest {
  std::array<long long, 3> nodes{1, 1, 1};
  std::array<double, 3> spacing{1, 1, 1};
  std::array<double, 3> origin{0, 0, 0};  // the centre of the first node
  std::vector<ExportInput> inputs;
  std::string output;
  bool float32 = false;  // binary arrays as 32-bit floats; text in 7 significant digits
};

// The array name a file gets when none is given: its bare name without the ending, every
// character but letters, digits, '_', '-' and '.' made '_'.
std::string default_array_name(std::string_view path);

// Writes every input as one array of the output. Refused before anything is opened for a bad
// geometry, a bad name, an unknown ending, or an output that names an input. Failed when an input
// cannot be read, holds another count than the grid's nodes, or a value that is no finite number
// (or does not fit a 32-bit float); a binary output is then removed, a text one keeps its lines.
// Each input is read once; memory does not grow with the grid.
job::Outcome export_grid(const ExportRequest& request, job::Hooks& hooks = job::no_hooks());

// The choices of a save dialog, as "description|pattern" pairs, one per format.
inline constexpr std::string_view kExportFilter =
    "VTK image data (*.vti)|*.vti|Legacy VTK (*.vtk)|*.vtk|GeoEAS (*.dat)|*.dat|GeoEAS (*.gslib)|*.gslib|"
    "Eclipse GRDECL (*.grdecl)|*.grdecl";

// The origin and spacing as typed ("X,Y,Z") into `grid`, checked as export_grid checks them;
// refused in its words (and `grid` kept) otherwise.
job::Outcome read_geometry(std::string_view origin, std::string_view spacing, GridRequest& grid);

// The export of the one file a grid view shows, its origin and spacing as typed ("X,Y,Z"): the
// same file export_grid writes for it. Refused when either is not three numbers, or the file
// holds more than one value per node.
job::Outcome export_grid_file(const GridRequest& grid, std::string_view origin, std::string_view spacing,
                              const std::string& output, job::Hooks& hooks = job::no_hooks());

}  // namespace meldrit::gridmap
