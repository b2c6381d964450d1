#include "resources/JpegSpentRows.h"

#include <cstdint>

#include <jerror.h>

namespace {

// One coefficient array the encoder asked for (a colour component's).
struct Array {
    JDIMENSION blocksPerRow;
    JDIMENSION rows;
    JDIMENSION rowsPerBand; // the rows one band of pixel rows makes
    JBLOCKARRAY rowPointers; // set once realised
    Array* next;
};

struct Setup {
    jvirt_barray_ptr (*request)(j_common_ptr, int, boolean, JDIMENSION, JDIMENSION, JDIMENSION);
    void (*realize)(j_common_ptr);
    JBLOCKARRAY (*access)(j_common_ptr, jvirt_barray_ptr, JDIMENSION, JDIMENSION, boolean);
    unsigned char* rows;
    size_t bytesPerLine;
    size_t bytes;
    Array* arrays; // ours, newest first
};

Setup* setupOf(j_common_ptr info)
{
    return static_cast<Setup*>(info->client_data);
}

jvirt_barray_ptr request(j_common_ptr info, int pool, boolean preZero, JDIMENSION blocksPerRow, JDIMENSION rows,
                         JDIMENSION maxAccess)
{
    Setup* s = setupOf(info);
    // Zeroed arrays cannot start over pixels still to be read.
    if (preZero || pool != JPOOL_IMAGE || maxAccess == 0 || rows % maxAccess != 0)
        return s->request(info, pool, preZero, blocksPerRow, rows, maxAccess);
    auto* a = static_cast<Array*>((*info->mem->alloc_small)(info, JPOOL_IMAGE, sizeof(Array)));
    *a = {blocksPerRow, rows, maxAccess, nullptr, s->arrays};
    s->arrays = a;
    return reinterpret_cast<jvirt_barray_ptr>(a);
}

// Band b's coefficients go to bytes [offset + b * bandBytes, offset +
// (b + 1) * bandBytes) of the rows: below the end of band b's pixel rows,
// which are read before its coefficients are made.
bool layOut(j_common_ptr info, Setup* s)
{
    if (!s->arrays || info->is_decompressor)
        return false;
    const auto* c = reinterpret_cast<j_compress_ptr>(info);
    const size_t pixelRowsPerBand = size_t(c->max_v_samp_factor) * DCTSIZE;
    const JDIMENSION bands = s->arrays->rows / s->arrays->rowsPerBand;
    size_t bandBytes = 0;
    for (const Array* a = s->arrays; a; a = a->next) {
        if (a->rows / a->rowsPerBand != bands)
            return false;
        bandBytes += size_t(a->rowsPerBand) * a->blocksPerRow * sizeof(JBLOCK);
    }
    // Blocks aligned as libjpeg's own allocations are.
    constexpr size_t kAlign = 128;
    const size_t offset = (kAlign - reinterpret_cast<std::uintptr_t>(s->rows) % kAlign) % kAlign;
    if (offset + bandBytes > pixelRowsPerBand * s->bytesPerLine || offset + bands * bandBytes > s->bytes)
        return false;
    // Arrays in the order they were asked for within each band.
    size_t within = 0;
    Array* order[MAX_COMPONENTS];
    int count = 0;
    for (Array* a = s->arrays; a; a = a->next) {
        if (count == MAX_COMPONENTS)
            return false;
        order[count++] = a;
    }
    for (int i = count - 1; i >= 0; --i) {
        Array* a = order[i];
        a->rowPointers = static_cast<JBLOCKARRAY>((*info->mem->alloc_small)(info, JPOOL_IMAGE, sizeof(JBLOCKROW) * a->rows));
        const size_t rowBytes = size_t(a->blocksPerRow) * sizeof(JBLOCK);
        for (JDIMENSION r = 0; r < a->rows; ++r)
            a->rowPointers[r] = reinterpret_cast<JBLOCKROW>(s->rows + offset + (r / a->rowsPerBand) * bandBytes + within +
                                                            (r % a->rowsPerBand) * rowBytes);
        within += size_t(a->rowsPerBand) * rowBytes;
    }
    return true;
}

void realize(j_common_ptr info)
{
    Setup* s = setupOf(info);
    s->realize(info);
    if (layOut(info, s))
        return;
    for (Array* a = s->arrays; a; a = a->next)
        a->rowPointers = (*info->mem->alloc_barray)(info, JPOOL_IMAGE, a->blocksPerRow, a->rows);
}

JBLOCKARRAY access(j_common_ptr info, jvirt_barray_ptr array, JDIMENSION start, JDIMENSION count, boolean writable)
{
    Setup* s = setupOf(info);
    for (Array* a = s->arrays; a; a = a->next) {
        if (reinterpret_cast<jvirt_barray_ptr>(a) != array)
            continue;
        if (!a->rowPointers || start + count > a->rows)
            ERREXIT(info, JERR_BAD_VIRTUAL_ACCESS);
        return a->rowPointers + start;
    }
    return s->access(info, array, start, count, writable);
}

} // namespace

namespace JpegSpentRows {

void install(j_compress_ptr info, unsigned char* rows, size_t bytesPerLine, size_t bytes)
{
    auto* common = reinterpret_cast<j_common_ptr>(info);
    auto* s = static_cast<Setup*>((*info->mem->alloc_small)(common, JPOOL_PERMANENT, sizeof(Setup)));
    *s = {info->mem->request_virt_barray, info->mem->realize_virt_arrays, info->mem->access_virt_barray, rows, bytesPerLine,
          bytes, nullptr};
    info->client_data = s;
    info->mem->request_virt_barray = request;
    info->mem->realize_virt_arrays = realize;
    info->mem->access_virt_barray = access;
}

} // namespace JpegSpentRows
