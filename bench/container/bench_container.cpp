// Times the generated modules (small_mgr.c: Small with value key id,
// wide_mgr.c: Wide without a key, named_mgr.c: Named with string key name) against a hand-written C array
// grown with realloc and against std::vector, and prints one row per
// operation: the median of the repetitions in milliseconds and the ratios.
// Usage: bench_container [REPS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" {
#include "c_array.h"
#include "named_mgr.h"
#include "small_mgr.h"
#include "wide_mgr.h"
}

namespace {

constexpr int push_count = 10000000;  // elements appended by the push_back row
constexpr int wide_count = 1000000;   // 256-byte elements appended by their row
constexpr int keyed_count = 1000000;  // elements sorted and searched

double now_ms()
{
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct timings {
    std::vector<double> generated, c_array, vector;
};

void print_row(const char *name, const timings &t)
{
    double g = median(t.generated), c = median(t.c_array), v = median(t.vector);
    std::printf("%-36s %11.2f %11.2f %11.2f %8.2fx %8.2fx\n", name, g, c, v, g / c, g / v);
}

void fail(const char *what)
{
    std::fprintf(stderr, "bench_container: %s\n", what);
    std::exit(1);
}

// A fixed-seed shuffle, so every run and every contender sees the same order.
void shuffle(std::vector<int> &values, unsigned seed)
{
    unsigned long long state = seed * 0x9E3779B97F4A7C15ull + 1;
    for (std::size_t i = values.size() - 1; i > 0; --i) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        std::swap(values[i], values[state % (i + 1)]);
    }
}

std::vector<int> permutation(int n, unsigned seed)
{
    std::vector<int> values(n);
    for (int i = 0; i < n; ++i) values[i] = i;
    shuffle(values, seed);
    return values;
}

Small make_small(int i)
{
    Small s;
    s.id = i;
    s.payload = i * 3;
    return s;
}

Named make_named(int i)
{
    Named s;
    std::snprintf(s.name, sizeof s.name, "key-%010d", i);
    s.payload = i;
    return s;
}

int keep_small(Small *p) { return (p->id & 7) == 0; }

// The filter the scans use, inline where the user's own loop would have it.
inline bool keeps(const Small &s) { return (s.id & 7) == 0; }
const auto keeps_lambda = [](const Small &s) { return keeps(s); };

// push_back, then a filtered scan over the whole container, then clear.
void bench_push_scan_clear(int reps)
{
    timings push, scan, clear;
    long long expect = 0;
    for (int i = 0; i < push_count; i += 8) expect += 3LL * i;

    for (int r = 0; r < reps; ++r) {
        long long sum = 0;
        double t0 = now_ms();
        for (int i = 0; i < push_count; ++i) {
            Small s = make_small(i);
            if (small_push_back(&s) != 0) fail("generated push_back failed");
        }
        double t1 = now_ms();
        Small *p = nullptr;
        if (small_findfirst(keep_small, &p)) {
            do sum += p->payload;
            while (small_findnext(keep_small, &p));
        }
        double t2 = now_ms();
        small_clear();
        double t3 = now_ms();
        if (sum != expect) fail("generated scan missed elements");
        push.generated.push_back(t1 - t0);
        scan.generated.push_back(t2 - t1);
        clear.generated.push_back(t3 - t2);

        sum = 0;
        t0 = now_ms();
        for (int i = 0; i < push_count; ++i) {
            Small s = make_small(i);
            if (c_small_push(&s) != 0) fail("C array push failed");
        }
        t1 = now_ms();
        const Small *data = c_small_data();
        for (std::size_t i = 0, n = c_small_size(); i < n; ++i)
            if (keeps(data[i])) sum += data[i].payload;
        t2 = now_ms();
        c_small_free();
        t3 = now_ms();
        if (sum != expect) fail("C array scan missed elements");
        push.c_array.push_back(t1 - t0);
        scan.c_array.push_back(t2 - t1);
        clear.c_array.push_back(t3 - t2);

        sum = 0;
        std::vector<Small> v;
        t0 = now_ms();
        for (int i = 0; i < push_count; ++i) v.push_back(make_small(i));
        t1 = now_ms();
        for (auto it = std::find_if(v.begin(), v.end(), keeps_lambda); it != v.end();
             it = std::find_if(it + 1, v.end(), keeps_lambda))
            sum += it->payload;
        t2 = now_ms();
        std::vector<Small>().swap(v);
        t3 = now_ms();
        if (sum != expect) fail("std::vector scan missed elements");
        push.vector.push_back(t1 - t0);
        scan.vector.push_back(t2 - t1);
        clear.vector.push_back(t3 - t2);
    }
    print_row("push_back 10M x 8 B", push);
    print_row("findfirst/findnext 10M, 1 in 8 hit", scan);
    print_row("clear 10M", clear);
}

// push_back of 256-byte elements: the copy itself dominates. Each contender's
// ids are summed afterwards so that no store can be dropped.
void bench_push_wide(int reps)
{
    timings push;
    Wide w;
    for (int k = 0; k < 63; ++k) w.payload[k] = k;
    long long expect = 0;
    for (int i = 0; i < wide_count; ++i) expect += i;

    for (int r = 0; r < reps; ++r) {
        long long sum = 0;
        double t0 = now_ms();
        for (int i = 0; i < wide_count; ++i) {
            w.id = i;
            if (wide_push_back(&w) != 0) fail("generated push_back failed");
        }
        double t1 = now_ms();
        for (std::size_t i = 0, n = wide_size(); i < n; ++i) sum += wide_at(i)->id;
        wide_clear();
        if (sum != expect) fail("generated push_back lost elements");
        push.generated.push_back(t1 - t0);

        sum = 0;
        t0 = now_ms();
        for (int i = 0; i < wide_count; ++i) {
            w.id = i;
            if (c_wide_push(&w) != 0) fail("C array push failed");
        }
        t1 = now_ms();
        const Wide *data = c_wide_data();
        for (std::size_t i = 0, n = c_wide_size(); i < n; ++i) sum += data[i].id;
        c_wide_free();
        if (sum != expect) fail("C array push lost elements");
        push.c_array.push_back(t1 - t0);

        sum = 0;
        std::vector<Wide> v;
        t0 = now_ms();
        for (int i = 0; i < wide_count; ++i) {
            w.id = i;
            v.push_back(w);
        }
        t1 = now_ms();
        for (const Wide &e : v) sum += e.id;
        if (sum != expect) fail("std::vector push lost elements");
        push.vector.push_back(t1 - t0);
    }
    print_row("push_back 1M x 256 B", push);
}

bool small_less(const Small &a, const Small &b) { return a.id < b.id; }
bool named_less(const Named &a, const Named &b) { return std::strcmp(a.name, b.name) < 0; }

// sort of keyed_count elements in shuffled order, then one bsearch per element
// in another shuffled order; every key must be found.
void bench_value_key(int reps)
{
    std::vector<int> order = permutation(keyed_count, 1);
    std::vector<int> lookups = permutation(keyed_count, 2);
    timings sort, search;
    for (int r = 0; r < reps; ++r) {
        for (int id : order) {
            Small s = make_small(id);
            small_push_back(&s);
        }
        double t0 = now_ms();
        small_sort();
        double t1 = now_ms();
        for (int id : lookups) {
            Small key = make_small(id);
            Small *hit = small_bsearch(&key);
            if (hit == nullptr || hit->id != id) fail("generated bsearch missed a key");
        }
        double t2 = now_ms();
        small_clear();
        sort.generated.push_back(t1 - t0);
        search.generated.push_back(t2 - t1);

        for (int id : order) {
            Small s = make_small(id);
            c_small_push(&s);
        }
        t0 = now_ms();
        c_small_sort();
        t1 = now_ms();
        for (int id : lookups) {
            Small key = make_small(id);
            Small *hit = c_small_bsearch(&key);
            if (hit == nullptr || hit->id != id) fail("C array bsearch missed a key");
        }
        t2 = now_ms();
        c_small_free();
        sort.c_array.push_back(t1 - t0);
        search.c_array.push_back(t2 - t1);

        std::vector<Small> v;
        for (int id : order) v.push_back(make_small(id));
        t0 = now_ms();
        std::sort(v.begin(), v.end(), small_less);
        t1 = now_ms();
        for (int id : lookups) {
            Small key = make_small(id);
            auto it = std::lower_bound(v.begin(), v.end(), key, small_less);
            if (it == v.end() || it->id != id) fail("std::lower_bound missed a key");
        }
        t2 = now_ms();
        sort.vector.push_back(t1 - t0);
        search.vector.push_back(t2 - t1);
    }
    print_row("sort 1M, value key (int)", sort);
    print_row("bsearch 1M lookups, value key", search);
}

void bench_string_key(int reps)
{
    // Keys are formatted once up front so that snprintf stays out of the timings.
    std::vector<Named> input, keys;
    for (int id : permutation(keyed_count, 3)) input.push_back(make_named(id));
    for (int id : permutation(keyed_count, 4)) keys.push_back(make_named(id));
    timings sort, search;
    for (int r = 0; r < reps; ++r) {
        for (const Named &s : input) named_push_back(&s);
        double t0 = now_ms();
        named_sort();
        double t1 = now_ms();
        for (Named &key : keys) {
            Named *hit = named_bsearch(&key);
            if (hit == nullptr || hit->payload != key.payload) fail("generated bsearch missed a name");
        }
        double t2 = now_ms();
        named_clear();
        sort.generated.push_back(t1 - t0);
        search.generated.push_back(t2 - t1);

        for (const Named &s : input) c_named_push(&s);
        t0 = now_ms();
        c_named_sort();
        t1 = now_ms();
        for (Named &key : keys) {
            Named *hit = c_named_bsearch(&key);
            if (hit == nullptr || hit->payload != key.payload) fail("C array bsearch missed a name");
        }
        t2 = now_ms();
        c_named_free();
        sort.c_array.push_back(t1 - t0);
        search.c_array.push_back(t2 - t1);

        std::vector<Named> v(input);
        t0 = now_ms();
        std::sort(v.begin(), v.end(), named_less);
        t1 = now_ms();
        for (const Named &key : keys) {
            auto it = std::lower_bound(v.begin(), v.end(), key, named_less);
            if (it == v.end() || it->payload != key.payload) fail("std::lower_bound missed a name");
        }
        t2 = now_ms();
        sort.vector.push_back(t1 - t0);
        search.vector.push_back(t2 - t1);
    }
    print_row("sort 1M, string key (char[16])", sort);
    print_row("bsearch 1M lookups, string key", search);
}

}  // namespace

int main(int argc, char **argv)
{
    int reps = argc > 1 ? std::atoi(argv[1]) : 5;
    if (reps < 1) reps = 1;
    bench_push_scan_clear(reps);
    bench_push_wide(reps);
    bench_value_key(reps);
    bench_string_key(reps);
    return 0;
}
