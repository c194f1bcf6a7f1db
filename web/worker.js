// The worker that converts, one recording at a time, so the page never
// waits on a conversion. It reads the recording the page hands over from the
// File in slices and writes the result into the origin-private file system
// through a synchronous access handle (convert/platform/web/files.cpp); the
// page offers that file for download once it is complete. A failed job's
// file is removed here; a stopped job's worker is ended by the page, which
// removes the file then.
//
// The page runs this script after veltrano-core.js in one, and sends the
// compiled WebAssembly first, so a new worker fetches nothing.
"use strict";

const kProgressEvery = 100; // ms between progress messages
let shown = 0;
let ended = null;
let ready = null;

const start = (module) => VeltranoCore({
    instantiateWasm(imports, done) {
        WebAssembly.instantiate(module, imports).then((instance) => done(instance, module));
        return {};
    },
    veltranoProgress(bytesRead, size) {
        const now = performance.now();
        if (now - shown < kProgressEvery && bytesRead < size) return;
        shown = now;
        postMessage({ type: "progress", bytesRead, size });
    },
    veltranoEnd(converted, lines) {
        ended = { converted, lines };
    },
}).then((core) => {
    postMessage({ type: "ready", version: core.UTF8ToString(core._veltrano_version()) });
    return core;
});

// The error line for a job the browser refused storage to.
function storageRefused(name, error) {
    return `veltrano-convert: ${name}: the browser gives no storage for the result (${error.message})`;
}

async function convert(job) {
    const core = await ready;
    const root = await navigator.storage.getDirectory();
    let access;
    try {
        const handle = await root.getFileHandle(job.storageName, { create: true });
        access = await handle.createSyncAccessHandle();
    } catch (error) {
        await root.removeEntry(job.storageName).catch(() => {});
        return { converted: false, lines: storageRefused(job.file.name, error) };
    }
    core.veltranoSource = job.file;
    core.veltranoOutput = access;
    ended = null;
    try {
        core.ccall("veltrano_convert", null, ["string", "string", "number", "number"], [
            job.file.name, job.dest, job.rate, job.format === "mp4" ? 1 : 0,
        ]);
    } finally {
        access.close();
        core.veltranoSource = core.veltranoOutput = null;
    }
    if (!ended.converted) await root.removeEntry(job.storageName);
    return ended;
}

onmessage = async ({ data }) => {
    if (data.type === "module") {
        ready = start(data.module);
        return;
    }
    try {
        postMessage({ type: "end", ...(await convert(data)) });
    } catch (error) {
        // The converter itself gave up (out of memory, say): this worker is
        // done for, and the page starts another.
        const root = await navigator.storage.getDirectory();
        await root.removeEntry(data.storageName).catch(() => {});
        postMessage({ type: "end", converted: false, broken: true,
                      lines: `veltrano-convert: ${data.file.name}: ${error.message || error}` });
    }
};
