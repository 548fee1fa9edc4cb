// The compiled core of the Python package varn (hosts/python/varn/): the
// batch computation, the time stamps and the leap-second table, the Earth
// orientation reader and the state vectors of the varn library, on numpy
// arrays. The pure-Python modules of the package (_inputs.py and the others)
// check and convert every argument, read the environment and document the
// interface; the functions here take only what they hand them and check
// again just what guards memory: dtypes (by pybind11's conversion),
// dimensions and row counts. Nothing here reads the environment: with the
// GIL released, another Python thread may be changing it.
//
// Every output is allocated in column-major (Fortran) order, the layout the
// library writes, so the library fills the numpy arrays directly with no copy:
// an n x 9 flattened matrix, column k at [k * n + i], is the (n, 3, 3) array
// with element [i, r, c] at (c * 3 + r) * n + i, that is, matrix row r and
// column c of epoch i. The computation runs with the GIL released. Text
// (file names, messages) crosses as bytes, which the package decodes with
// os.fsdecode.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "eop/eop_table.hpp"
#include "common/thread_env.hpp"
#include "rotation/iau_compute.hpp"
#include "rotation/iau_compute_fast.hpp"
#include "time/leap_table.hpp"
#include "frames/state_vectors.hpp"
#include "time/time_convert.hpp"

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

// The thread count the library takes (0: one per hardware thread). The
// package reads VARN_NUM_THREADS itself, with the GIL held, and hands its
// text to parse_thread_count below: a getenv here, run while another Python
// thread sets a variable, could read an environment being moved.
int library_threads(int threads) {
    if (threads < 0) throw py::value_error("threads must be 0 or more");
    return threads;
}

// Text crosses to Python as bytes, which the package decodes with
// os.fsdecode: a file name need not be UTF-8 (Linux allows any bytes but
// '/' and NUL), and a str conversion would fail on it.
py::bytes raw(const std::string& text) { return py::bytes(text); }

// A leap-second table as Python holds it: shared and never changed, so that
// a parsed EOP table can tell by identity whether it was made under it.
struct Leap {
    std::shared_ptr<const varn::LeapTable> table;
};

// The leap-second table of the file at path (bytes: the package reads
// VARN_LEAP_SECONDS with the GIL held; empty: the built-in table), read once
// and kept while the file stays the same: (Leap, b"", b"", 0, b"") or, for a
// file that was refused, (None, message, file, line, reason).
py::tuple leap_table(const std::string& path) {
    varn::LeapFileError error;
    std::shared_ptr<const varn::LeapTable> table;
    {
        py::gil_scoped_release unlocked;
        table = varn::leap_table_for_path(path, error);
    }
    if (table) return py::make_tuple(Leap{table}, py::bytes(), py::bytes(), 0, py::bytes());
    return py::make_tuple(py::none(), raw(varn::leap_file_message(error)), raw(error.file),
                          error.line, raw(error.reason));
}

// The steps from 1972 as (year, month, day, TAI - UTC in seconds) rows.
py::array_t<double> leap_steps(const Leap& leap) {
    const auto& steps = leap.table->steps();
    const std::size_t first = leap.table->first_integral();
    Column rows({static_cast<py::ssize_t>(steps.size() - first), py::ssize_t{4}});
    auto r = rows.mutable_unchecked<2>();
    for (std::size_t i = first; i < steps.size(); ++i) {
        const py::ssize_t k = static_cast<py::ssize_t>(i - first);
        r(k, 0) = steps[i].year;
        r(k, 1) = steps[i].month;
        r(k, 2) = 1.0;
        r(k, 3) = steps[i].tai_minus_utc_s;
    }
    return rows;
}

py::tuple leap_expires(const Leap& leap) {
    int year = 0, month = 0, day = 0;
    varn::date_of_mjd(leap.table->expires_mjd(), year, month, day);
    return py::make_tuple(year, month, day);
}

// The eighteen series of n epochs, exact or fast, on the given threads, under
// the leap-second table leap; with them the number of epochs whose UTC lies
// after the table's expiry.
py::tuple compute(const Column& tt, const Column& xp, const Column& yp, const Column& dX,
                  const Column& dY, const Column& dut, bool fast, int threads, const Leap& leap) {
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
    std::int64_t expired = 0;
    {
        py::gil_scoped_release unlocked;
        (fast ? varn::iau_compute_fast : varn::iau_compute_parallel)(
            n, i[0], i[1], i[2], i[3], i[4], i[5], o[0], o[1], o[2], o[3], o[4], o[5], o[6], o[7],
            o[8], o[9], o[10], o[11], o[12], o[13], o[14], o[15], o[16], o[17], count, *leap.table);
        expired = varn::count_expired(*leap.table, n, o[7]);  // utc column 1: the UTC day
    }
    py::tuple result(N_OUTPUTS);
    for (int k = 0; k < N_OUTPUTS; ++k) result[k] = out[k];
    return py::make_tuple(result, expired);
}

// Reads an EOP file (path as bytes, name as the caller gave it) under the
// leap-second table leap. Returns (table, error, line, field, errno,
// mismatch): the table when error is 0, else None and the reader's status,
// error being the position of the failure in varn::EopError; mismatch holds,
// for a leap-second mismatch, the MJDs of the two rows, the file's step of
// UT1 - UTC, the table's TAI - UTC on both, and the message.
py::tuple read_eop(const std::string& path, const std::string& name, const Leap& leap) {
    auto table = std::make_unique<varn::EopTable>();
    varn::EopStatus status;
    {
        py::gil_scoped_release unlocked;
        try {
            status = varn::read_eop(path, *table, leap.table);
        } catch (const std::bad_alloc&) {
            status.error = varn::EopError::Memory;
        }
    }
    py::object held = py::none();
    if (status.error == varn::EopError::None) held = py::cast(std::move(table));
    const py::bytes told = raw(status.error == varn::EopError::LeapMismatch
                                   ? varn::leap_mismatch_message(name, status, *leap.table)
                                   : std::string());
    return py::make_tuple(held, static_cast<int>(status.error), status.line, status.field,
                          status.sys_errno,
                          py::make_tuple(status.mjd_before, status.mjd_after, status.dut_step_s,
                                         status.tai_utc_before_s, status.tai_utc_after_s, told));
}

// Earth orientation at the epochs tt: (xp, yp, dX, dY, dut, predicted, lod,
// number of epochs outside the table, number after the expiry of the
// leap-second table the file was read under).
py::tuple interpolate(const varn::EopTable& table, const Column& tt) {
    const py::ssize_t n = tt_rows(tt);
    Column value[6];
    double* v[6];
    for (int k = 0; k < 6; ++k) {
        value[k] = Column(n);
        v[k] = value[k].mutable_data();
    }
    py::array_t<bool> predicted(n);
    bool* p = predicted.mutable_data();
    const double* t = tt.data();
    std::int64_t outside = 0, expired = 0;
    {
        py::gil_scoped_release unlocked;
        outside = varn::eop_interpolate(table, n, t, v[0], v[1], v[2], v[3], v[4], p, &expired,
                                        v[5]);
    }
    return py::make_tuple(value[0], value[1], value[2], value[3], value[4], predicted, value[5],
                          outside, expired);
}

// Time stamps from one scale to another (names checked by the caller):
// (out n x 2, cal n x 6, invalid rows, rows after the table's expiry).
py::tuple convert_times(const Column& t, const std::string& from, const std::string& to,
                        const Leap& leap) {
    varn::TimeScale scale_from, scale_to;
    if (!varn::time_scale_named(from, scale_from) || !varn::time_scale_named(to, scale_to))
        throw py::value_error("a time scale must be one of 'UTC', 'TAI', 'TT', 'GPS'");
    if (t.ndim() != 2 || (t.shape(1) != 2 && t.shape(1) != 6))
        throw py::value_error("t must have shape (n, 2) or (n, 6)");
    const py::ssize_t n = t.shape(0);
    Column out({n, py::ssize_t{2}}), cal({n, py::ssize_t{6}});
    const double* in = t.data();
    double* o = out.mutable_data();
    double* c = cal.mutable_data();
    const int cols = static_cast<int>(t.shape(1));
    varn::TimeCounts counts;
    {
        py::gil_scoped_release unlocked;
        counts = varn::time_convert(*leap.table, scale_from, scale_to, n, in, cols, o, c);
    }
    return py::make_tuple(out, cal, counts.invalid, counts.expired);
}

// Float64 arrays of any strides: the state vectors are read where numpy
// holds them, broadcast rows (stride 0) included.
using Strided = py::array_t<double, 0>;

// Element stride of an array's axis; numpy's float64 arrays step in whole
// elements unless they are views into records, which the caller copies.
std::int64_t step(const Strided& a, int axis) {
    const py::ssize_t bytes = a.strides(axis);
    if (bytes % static_cast<py::ssize_t>(sizeof(double)) != 0)
        throw py::value_error("array strides must be whole float64 elements");
    return bytes / static_cast<py::ssize_t>(sizeof(double));
}

varn::MatrixRows matrices(const Strided& m, py::ssize_t n, const char* name) {
    if (m.ndim() != 3 || m.shape(0) != n || m.shape(1) != 3 || m.shape(2) != 3)
        throw py::value_error(std::string(name) + " must have shape (n, 3, 3)");
    return {m.data(), step(m, 0), step(m, 1), step(m, 2)};
}

varn::VectorRows vectors(const py::object& v, py::ssize_t n, const char* name) {
    if (v.is_none()) return {nullptr, 0, 0};
    const Strided a = v.cast<Strided>();
    if (a.ndim() != 2 || a.shape(0) != n || a.shape(1) != 3)
        throw py::value_error(std::string(name) + " must have shape (n, 3)");
    return {a.data(), step(a, 0), step(a, 1)};
}

// Positions, velocities and accelerations of n rows between GCRS and ITRS
// (to_itrs) or back: (r, v, a), v and a None where not given. The arrays
// keep the caller's strides; the outputs are column-major (n, 3), as every
// array the package returns.
py::tuple transform(bool to_itrs, const Strided& rc2t, const Strided& rpom, const Strided& r,
                    const py::object& v, const py::object& a, const Strided& lod, int threads) {
    const py::ssize_t n = r.ndim() == 2 ? r.shape(0) : -1;
    const varn::MatrixRows m_rc2t = matrices(rc2t, n, "rc2t"), m_rpom = matrices(rpom, n, "rpom");
    const varn::VectorRows in_r = vectors(r, n, "r"), in_v = vectors(v, n, "v"),
                           in_a = vectors(a, n, "a");
    if (lod.ndim() != 1 || lod.shape(0) != n) throw py::value_error("lod must have shape (n,)");
    const varn::ScalarRows in_lod{lod.data(), step(lod, 0)};
    py::object out[3] = {py::none(), py::none(), py::none()};
    varn::VectorRowsOut o[3] = {{nullptr, 0, 0}, {nullptr, 0, 0}, {nullptr, 0, 0}};
    const bool given[3] = {true, in_v.data != nullptr, in_a.data != nullptr};
    for (int k = 0; k < 3; ++k) {
        if (!given[k]) continue;
        Column buffer({n, py::ssize_t{3}});
        o[k] = {buffer.mutable_data(), 1, n};
        out[k] = buffer;
    }
    const int count = library_threads(threads);
    bool done = false;
    {
        py::gil_scoped_release unlocked;
        done = varn::transform_states(to_itrs, n, m_rc2t, m_rpom, in_r, in_v, in_a, in_lod, o[0],
                                      o[1], o[2], count);
    }
    if (!done) throw py::value_error("an acceleration needs a velocity");
    return py::make_tuple(out[0], out[1], out[2]);
}

// The table's rows as a dict of new arrays of shape (N,): mjd, xp, yp, dX,
// dY, dut, lod (float64, the units of EopTable) and the prediction flags
// pred_pole, pred_ut1, pred_nut (bool).
py::dict table_columns(const varn::EopTable& t) {
    py::dict columns;
    const std::pair<const char*, const std::vector<double>*> numbers[] = {
        {"mjd", &t.mjd}, {"xp", &t.xp}, {"yp", &t.yp}, {"dX", &t.dX},
        {"dY", &t.dY},   {"dut", &t.dut}, {"lod", &t.lod}};
    for (const auto& [name, column] : numbers)
        columns[name] = py::array_t<double>(static_cast<py::ssize_t>(column->size()), column->data());
    const std::pair<const char*, const std::vector<unsigned char>*> flags[] = {
        {"pred_pole", &t.pred_pole}, {"pred_ut1", &t.pred_ut1}, {"pred_nut", &t.pred_nut}};
    for (const auto& [name, column] : flags) {
        py::array_t<bool> a(static_cast<py::ssize_t>(column->size()));
        bool* out = a.mutable_data();
        for (std::size_t i = 0; i < column->size(); ++i) out[i] = (*column)[i] != 0;
        columns[name] = a;
    }
    return columns;
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
          py::arg("dY"), py::arg("dut"), py::arg("fast"), py::arg("threads"), py::arg("leap"),
          "(the eighteen series, epochs past the leap-second table's expiry) of a batch; "
          "arguments as checked by varn.compute, threads < 0 for VARN_NUM_THREADS.");
    m.def("read_eop", &read_eop, py::arg("path"), py::arg("name"), py::arg("leap"),
          "(table, error, line, field, errno, mismatch) of an EOP file; path as bytes.");
    m.def("interpolate", &interpolate, py::arg("table"), py::arg("tt"),
          "(xp, yp, dX, dY, dut, predicted, lod, outside, expired) at the epochs tt.");
    m.def("leap_table", &leap_table, py::arg("path"),
          "(Leap, b'', b'', 0, b'') for the leap-second table of the file at path (bytes; b'': "
          "built in), or (None, message, file, line, reason) for a refused file.");
    m.def("convert_times", &convert_times, py::arg("t"), py::arg("from_scale"),
          py::arg("to_scale"), py::arg("leap"), "(out, cal, invalid, expired) of varn.time.");
    m.def("transform", &transform, py::arg("to_itrs"), py::arg("rc2t"), py::arg("rpom"),
          py::arg("r"), py::arg("v"), py::arg("a"), py::arg("lod"), py::arg("threads"),
          "(r, v, a) between GCRS and ITRS; see varn.gcrs_to_itrs.");
    m.def("expiry_message", [](const Leap& l, std::int64_t expired, std::int64_t n) {
        return raw(varn::expiry_message(*l.table, expired, n));
    }, "The text of the expiry warning, as the plug-ins give it (bytes).");
    m.def("parse_thread_count", [](const std::string& text) {
        return varn_host::parse_thread_count(text.c_str());
    }, py::arg("text"), "VARN_NUM_THREADS's text (bytes) as a thread count, 0 if not a count.");
    py::class_<Leap>(m, "Leap", "A leap-second table (see varn.leap_seconds).")
        .def_property_readonly("steps", &leap_steps)
        .def_property_readonly("expires", &leap_expires)
        .def_property_readonly("expires_mjd", [](const Leap& l) { return l.table->expires_mjd(); })
        .def_property_readonly("source", [](const Leap& l) { return raw(l.table->source()); })
        .def_property_readonly("steps_source",
                               [](const Leap& l) { return raw(l.table->steps_source()); })
        .def_property_readonly("expiry_source",
                               [](const Leap& l) { return raw(l.table->expiry_source()); });
    py::class_<varn::EopTable>(m, "EopTable", "A parsed EOP series (see varn.EopTable).")
        .def("__len__", [](const varn::EopTable& t) { return t.mjd.size(); })
        .def_property_readonly("layout", [](const varn::EopTable& t) { return layout_name(t.format); })
        .def_property_readonly("mjd_first", [](const varn::EopTable& t) { return t.mjd.front(); })
        .def_property_readonly("mjd_last", [](const varn::EopTable& t) { return t.mjd.back(); })
        .def("columns", &table_columns,
             "The rows as a dict of new arrays: mjd, xp, yp, dX, dY, dut, lod (float64), "
             "pred_pole, pred_ut1, pred_nut (bool).")
        .def("parsed_under", [](const varn::EopTable& t, const Leap& l) { return t.leap == l.table; },
             "Whether the table was read under the leap-second table l.");
}
