// The compiled core of the Python package varn (python/varn/): the batch
// computation and the Earth orientation reader of the varn library, on numpy
// arrays. The pure-Python layer (python/varn/__init__.py) checks and converts
// every argument and documents the interface; the functions here take only
// what it hands them and check again just what guards memory: dtypes (by
// pybind11's conversion), dimensions and row counts.
//
// Every output is allocated in column-major (Fortran) order, the layout the
// library writes, so the library fills the numpy arrays directly with no copy:
// an n x 9 flattened matrix, column k at [k * n + i], is the (n, 3, 3) array
// with element [i, r, c] at (c * 3 + r) * n + i, that is, matrix row r and
// column c of epoch i. The computation runs with the GIL released.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "eop/eop_table.hpp"
#include "gateway/thread_env.hpp"
#include "pipeline/iau_compute.hpp"
#include "pipeline/iau_compute_fast.hpp"

namespace py = pybind11;

namespace {

#ifndef VARN_VERSION
#error "VARN_VERSION must be defined by the build (from the file VERSION)"
#endif

// Float64 arrays in column-major order; pybind11 converts a float64 array of
// another layout (a copy) and refuses every other dtype.
using Column = py::array_t<double, py::array::f_style>;

constexpr int N_INPUTS = 6;
constexpr int N_OUTPUTS = 18;

// Shape of each output after the row count: rc2t, rc2i, rpom (3 x 3),
// xp_rad, yp_rad, gmst, gst, utc and ut1 (day, seconds), tidal_args (11), t,
// the five Delaunay arguments, tai (day, seconds), era.
const std::vector<py::ssize_t> OUT_SHAPE[N_OUTPUTS] = {
    {3, 3}, {3, 3}, {3, 3}, {}, {}, {}, {}, {2}, {2}, {11}, {}, {}, {}, {}, {}, {}, {2}, {}};

const char* const INPUT_NAMES[N_INPUTS] = {"tt", "xp", "yp", "dX", "dY", "dut"};

// Rows of tt, after checking that it is n x 2.
py::ssize_t tt_rows(const Column& tt) {
    if (tt.ndim() != 2 || tt.shape(1) != 2)
        throw py::value_error("tt must have shape (n, 2) (TT MJD, seconds)");
    return tt.shape(0);
}

// The thread count the library takes (0: one per hardware thread). A negative
// count stands for "not given": VARN_NUM_THREADS, as the plug-ins read it.
int library_threads(int threads) {
    return threads >= 0 ? threads : varn_host::parse_thread_count(std::getenv("VARN_NUM_THREADS"));
}

// The eighteen series of n epochs, exact or fast, on the given threads.
py::tuple compute(const Column& tt, const Column& xp, const Column& yp, const Column& dX,
                  const Column& dY, const Column& dut, bool fast, int threads) {
    const py::ssize_t n = tt_rows(tt);
    const Column* in[N_INPUTS] = {&tt, &xp, &yp, &dX, &dY, &dut};
    for (int k = 1; k < N_INPUTS; ++k)
        if (in[k]->ndim() != 1 || in[k]->shape(0) != n)
            throw py::value_error(std::string(INPUT_NAMES[k]) + " must have shape (n,) with the rows of tt");

    py::array_t<double, py::array::f_style> out[N_OUTPUTS];
    double* o[N_OUTPUTS];
    for (int k = 0; k < N_OUTPUTS; ++k) {
        std::vector<py::ssize_t> shape{n};
        shape.insert(shape.end(), OUT_SHAPE[k].begin(), OUT_SHAPE[k].end());
        out[k] = Column(shape);
        o[k] = out[k].mutable_data();
    }
    const double* i[N_INPUTS];
    for (int k = 0; k < N_INPUTS; ++k) i[k] = in[k]->data();
    const int count = library_threads(threads);
    {
        py::gil_scoped_release unlocked;
        (fast ? varn::iau_compute_fast : varn::iau_compute_parallel)(
            n, i[0], i[1], i[2], i[3], i[4], i[5], o[0], o[1], o[2], o[3], o[4], o[5], o[6], o[7],
            o[8], o[9], o[10], o[11], o[12], o[13], o[14], o[15], o[16], o[17], count);
    }
    py::tuple result(N_OUTPUTS);
    for (int k = 0; k < N_OUTPUTS; ++k) result[k] = out[k];
    return result;
}

// Reads an EOP file. Returns (table, error, line, field, errno): the table
// when error is 0, else None and the reader's status, error being the
// position of the failure in varn::EopError.
py::tuple read_eop(const std::string& path) {
    auto table = std::make_unique<varn::EopTable>();
    varn::EopStatus status;
    {
        py::gil_scoped_release unlocked;
        try {
            status = varn::read_eop(path, *table);
        } catch (const std::bad_alloc&) {
            status.error = varn::EopError::Memory;
        }
    }
    py::object held = py::none();
    if (status.error == varn::EopError::None) held = py::cast(std::move(table));
    return py::make_tuple(held, static_cast<int>(status.error), status.line, status.field,
                          status.sys_errno);
}

// Earth orientation at the epochs tt: (xp, yp, dX, dY, dut, predicted,
// number of epochs outside the table).
py::tuple interpolate(const varn::EopTable& table, const Column& tt) {
    const py::ssize_t n = tt_rows(tt);
    Column value[5];
    double* v[5];
    for (int k = 0; k < 5; ++k) {
        value[k] = Column(n);
        v[k] = value[k].mutable_data();
    }
    py::array_t<bool> predicted(n);
    bool* p = predicted.mutable_data();
    const double* t = tt.data();
    std::int64_t outside = 0;
    {
        py::gil_scoped_release unlocked;
        outside = varn::eop_interpolate(table, n, t, v[0], v[1], v[2], v[3], v[4], p);
    }
    return py::make_tuple(value[0], value[1], value[2], value[3], value[4], predicted, outside);
}

const char* layout_name(varn::EopFormat format) {
    switch (format) {
        case varn::EopFormat::C04_14: return "C04_14";
        case varn::EopFormat::C04_20: return "C04_20";
        case varn::EopFormat::Finals2000A: return "finals2000A";
    }
    return "unknown";
}

}  // namespace

PYBIND11_MODULE(_varn, m) {
    m.doc() = "Compiled core of varn; use the package varn.";
    m.attr("__version__") = VARN_VERSION;
    m.def("compute", &compute, py::arg("tt"), py::arg("xp"), py::arg("yp"), py::arg("dX"),
          py::arg("dY"), py::arg("dut"), py::arg("fast"), py::arg("threads"),
          "The eighteen series of a batch; arguments as checked by varn.compute, threads < 0 "
          "for VARN_NUM_THREADS.");
    m.def("read_eop", &read_eop, py::arg("path"),
          "(table, error, line, field, errno) of an EOP file; path as bytes.");
    m.def("interpolate", &interpolate, py::arg("table"), py::arg("tt"),
          "(xp, yp, dX, dY, dut, predicted, outside) at the epochs tt.");
    py::class_<varn::EopTable>(m, "EopTable", "A parsed EOP series (see varn.EopTable).")
        .def("__len__", [](const varn::EopTable& t) { return t.mjd.size(); })
        .def_property_readonly("layout", [](const varn::EopTable& t) { return layout_name(t.format); })
        .def_property_readonly("mjd_first", [](const varn::EopTable& t) { return t.mjd.front(); })
        .def_property_readonly("mjd_last", [](const varn::EopTable& t) { return t.mjd.back(); });
}
