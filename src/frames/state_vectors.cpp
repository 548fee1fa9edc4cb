// State vectors between GCRS and ITRS (see state_vectors.hpp for the rule).
//
// The terrestrial intermediate frame (TIRS) is where the rotation is simple:
// the Earth turns about its z axis (the CIP) at omega, and the celestial
// frame, seen from it, turns the other way. A vector fixed in GCRS has, in
// TIRS, the velocity -w x r'; the transport theorem carries velocity and
// acceleration across a frame rotating at the constant w:
//
//   v_rot = v_in - w x r,    a_rot = a_in - 2 w x v_rot - w x (w x r),
//
// with every vector in the rotating frame's axes. RQ turns the celestial
// axes into TIRS axes and W the TIRS axes into ITRS axes; both turn slowly
// enough (below 1e-11 rad/s) that their own rates are left out.
#include "frames/state_vectors.hpp"

#include "common/run_blocks.hpp"

namespace varn {

namespace {

// A thread costs about 30 us to start and join; a row about 30 ns. Blocks of
// this many rows repay their thread many times over (see bench/).
constexpr std::int64_t MIN_ROWS_PER_THREAD = 1 << 15;

struct Vec {
    double x, y, z;
};

// Row i's matrix, as m[j][k].
void load(const MatrixRows& s, std::int64_t i, double m[3][3]) {
    const double* p = s.data + i * s.row;
    for (int j = 0; j < 3; ++j)
        for (int k = 0; k < 3; ++k) m[j][k] = p[j * s.mrow + k * s.mcol];
}

Vec load(const VectorRows& s, std::int64_t i) {
    const double* p = s.data + i * s.row;
    return {p[0], p[s.comp], p[2 * s.comp]};
}

void store(const VectorRowsOut& s, std::int64_t i, const Vec& u) {
    if (!s.data) return;
    double* p = s.data + i * s.row;
    p[0] = u.x;
    p[s.comp] = u.y;
    p[2 * s.comp] = u.z;
}

// m u and m^T u, each component summed in index order.
Vec mul(const double m[3][3], const Vec& u) {
    return {m[0][0] * u.x + m[0][1] * u.y + m[0][2] * u.z,
            m[1][0] * u.x + m[1][1] * u.y + m[1][2] * u.z,
            m[2][0] * u.x + m[2][1] * u.y + m[2][2] * u.z};
}
Vec mul_t(const double m[3][3], const Vec& u) {
    return {m[0][0] * u.x + m[1][0] * u.y + m[2][0] * u.z,
            m[0][1] * u.x + m[1][1] * u.y + m[2][1] * u.z,
            m[0][2] * u.x + m[1][2] * u.y + m[2][2] * u.z};
}

// w x u for w = (0, 0, omega). 2 w x u is spin(2 omega, u): the doubling
// is exact, so either grouping gives the same bits.
Vec spin(double omega, const Vec& u) { return {-(omega * u.y), omega * u.x, 0.0}; }

Vec add(const Vec& p, const Vec& q) { return {p.x + q.x, p.y + q.y, p.z + q.z}; }
Vec sub(const Vec& p, const Vec& q) { return {p.x - q.x, p.y - q.y, p.z - q.z}; }

struct Job {
    MatrixRows rc2t, rpom;
    VectorRows r, v, a;
    ScalarRows lod;
    VectorRowsOut r_out, v_out, a_out;
    bool want_v, want_a;  // the velocity, the acceleration carried
};

// Rows [begin, end) in one direction.
template <bool TO_ITRS>
void run_rows(const Job& job, std::int64_t begin, std::int64_t end) {
    for (std::int64_t i = begin; i < end; ++i) {
        double c2t[3][3], w[3][3], rq[3][3];
        load(job.rc2t, i, c2t);
        load(job.rpom, i, w);
        // RQ = W^T rc2t.
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k)
                rq[j][k] = w[0][j] * c2t[0][k] + w[1][j] * c2t[1][k] + w[2][j] * c2t[2][k];
        const double lod_s = job.lod.data ? job.lod.data[i * job.lod.row] : 0.0;
        const double omega = EARTH_RATE_RAD_S * (1.0 - lod_s / DAYSEC);

        // Every input of the row is read before anything is written.
        const Vec r = load(job.r, i);
        const Vec v = job.want_v ? load(job.v, i) : Vec{};
        const Vec a = job.want_a ? load(job.a, i) : Vec{};

        if (TO_ITRS) {
            const Vec rp = mul(rq, r);
            const Vec vp = job.want_v ? sub(mul(rq, v), spin(omega, rp)) : Vec{};
            store(job.r_out, i, mul(w, rp));
            if (job.want_v) store(job.v_out, i, mul(w, vp));
            if (job.want_a) {
                const Vec ap = sub(sub(mul(rq, a), spin(2.0 * omega, vp)),
                                   spin(omega, spin(omega, rp)));
                store(job.a_out, i, mul(w, ap));
            }
        } else {
            const Vec rp = mul_t(w, r);
            store(job.r_out, i, mul_t(rq, rp));
            if (job.want_v) {
                const Vec vp = mul_t(w, v);
                store(job.v_out, i, mul_t(rq, add(vp, spin(omega, rp))));
                if (job.want_a) {
                    const Vec ap = mul_t(w, a);
                    store(job.a_out, i, mul_t(rq, add(add(ap, spin(2.0 * omega, vp)),
                                                      spin(omega, spin(omega, rp)))));
                }
            }
        }
    }
}

}  // namespace

bool transform_states(bool to_itrs, std::int64_t n, const MatrixRows& rc2t,
                      const MatrixRows& rpom, const VectorRows& r, const VectorRows& v,
                      const VectorRows& a, const ScalarRows& lod, const VectorRowsOut& r_out,
                      const VectorRowsOut& v_out, const VectorRowsOut& a_out, int threads) {
    const bool want_a = a_out.data != nullptr;
    const bool want_v = v_out.data != nullptr || want_a;
    if (!r.data || (want_v && !v.data) || (want_a && !a.data)) return false;
    if (n <= 0) return true;
    const Job job{rc2t, rpom, r, v, a, lod, r_out, v_out, a_out, want_v, want_a};
    auto rows = [&job, to_itrs](std::int64_t begin, std::int64_t end) {
        if (to_itrs) run_rows<true>(job, begin, end);
        else run_rows<false>(job, begin, end);
    };
    detail::run_blocks(n, threads, MIN_ROWS_PER_THREAD, rows);
    return true;
}

namespace {

bool column_major(bool to_itrs, std::int64_t n, const double* rc2t, const double* rpom,
                  const double* r, const double* v, const double* a, const double* lod,
                  double* r_out, double* v_out, double* a_out, int threads) {
    const MatrixRows m_c2t{rc2t, 1, n, 3 * n}, m_pom{rpom, 1, n, 3 * n};
    return transform_states(to_itrs, n, m_c2t, m_pom, {r, 1, n}, {v, 1, n}, {a, 1, n},
                            {lod, 1}, {r_out, 1, n}, {v_out, 1, n}, {a_out, 1, n}, threads);
}

}  // namespace

bool gcrs_to_itrs(std::int64_t n, const double* rc2t, const double* rpom, const double* r,
                  const double* v, const double* a, const double* lod, double* r_out,
                  double* v_out, double* a_out, int threads) {
    return column_major(true, n, rc2t, rpom, r, v, a, lod, r_out, v_out, a_out, threads);
}

bool itrs_to_gcrs(std::int64_t n, const double* rc2t, const double* rpom, const double* r,
                  const double* v, const double* a, const double* lod, double* r_out,
                  double* v_out, double* a_out, int threads) {
    return column_major(false, n, rc2t, rpom, r, v, a, lod, r_out, v_out, a_out, threads);
}

}  // namespace varn
