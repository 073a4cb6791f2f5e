// The page's worker: holds the WebAssembly batch (kestrel.js), gives it the
// picked files as it reads them, passes its rows and counts
// to the page in batches, and zips the OUTPUT tree at the end.
'use strict';

if (typeof createKestrel === 'undefined') {
    // Served page: the parts are files beside this one. (The single-file
    // page puts them in front of this script.)
    importScripts('fflate.js', 'kestrel.js');
}

(function () {
    // Rows and counts go to the page at most this often, not per file.
    const kPostEveryMs = 50;

    let modulePromise = null;
    let module = null;
    let rows = [];
    let counts = null;
    let step = 0;
    let lastPost = 0;
    let stopRequested = false;
    let readMs = 0;
    let finishedText = '';

    function kestrel() {
        if (!modulePromise) {
            modulePromise = createKestrel().then((m) => (module = m));
        }
        return modulePromise;
    }

    function post(force) {
        const now = performance.now();
        if (!force && now - lastPost < kPostEveryMs) {
            return;
        }
        lastPost = now;
        if (rows.length === 0 && counts === null) {
            return;
        }
        self.postMessage({ type: 'progress', rows: rows, counts: counts, step: step });
        rows = [];
        counts = null;
    }

    // A message to itself: back to the event loop at once (a timer would
    // wait at least 4 ms), so that a stop request is seen.
    const channel = new MessageChannel();
    let wakeUp = null;
    channel.port1.onmessage = () => {
        const resolve = wakeUp;
        wakeUp = null;
        if (resolve) {
            resolve();
        }
    };

    self.kestrelSink = {
        init(total) {
            step = 0;
            self.postMessage({ type: 'init', total: total });
        },
        step(index) {
            step = index + 1;
        },
        row(name, result, path, detail) {
            rows.push([name, result, path, detail]);
        },
        counts(converted, errors, total, totalText, convertText, errorText) {
            counts = { converted, errors, total, totalText, convertText, errorText };
            post(false);
        },
        finished(text) {
            finishedText = text;
            post(true);
        },
        async read(source, pointer, size) {
            const start = performance.now();
            const got = reader ? await reader.take(source) : { error: new Error('no files to read') };
            readMs += performance.now() - start;
            if (got.error) {
                const e = got.error;
                return (e && e.name ? e.name + ': ' : '') + (e && e.message ? e.message : String(e));
            }
            if (got.bytes.byteLength - got.offset < size) {
                return 'the file changed after it was picked';
            }
            module.HEAPU8.set(new Uint8Array(got.bytes, got.offset, size), pointer);
            return null;
        },
        yieldToEvents() {
            post(true);
            return new Promise((resolve) => {
                wakeUp = resolve;
                channel.port2.postMessage(0);
            }).then(() => (stopRequested ? 1 : 0));
        },
    };

    // The picked files arrive joined into one blob, in the order in which the
    // batch will read them (one blob crosses to the worker at once, where
    // thousands of files would each cost a hand-over). It is read in chunks
    // of about a megabyte, a few chunks ahead of the batch, so that the
    // browser fetches the next files while the batch converts, and a large
    // drop is never held in memory at once.
    const kChunkBytes = 1024 * 1024;
    const kAheadChunks = 8;
    const settle = (promise) => promise.then((bytes) => ({ bytes: bytes }), (error) => ({ error: error }));
    class BlobReader {
        // order: source numbers in reading order; sizes: bytes per source.
        constructor(blob, order, sizes) {
            this.blob = blob;
            this.places = new Map();
            this.chunks = [];
            this.current = 0;
            let offset = 0;
            let chunk = null;
            for (const source of order) {
                if (!chunk || chunk.end - chunk.start >= kChunkBytes) {
                    chunk = { start: offset, end: offset, promise: null };
                    this.chunks.push(chunk);
                }
                this.places.set(source, { start: offset, size: sizes[source], chunk: this.chunks.length - 1 });
                offset += sizes[source];
                chunk.end = offset;
            }
            this.fill();
        }
        fill() {
            const last = Math.min(this.chunks.length, this.current + kAheadChunks);
            for (let k = this.current; k < last; ++k) {
                const chunk = this.chunks[k];
                if (!chunk.promise) {
                    chunk.promise = settle(this.blob.slice(chunk.start, chunk.end).arrayBuffer());
                }
            }
        }
        readAlone(place) {
            return settle(this.blob.slice(place.start, place.start + place.size).arrayBuffer())
                .then((got) => (got.error ? got : { bytes: got.bytes, offset: 0 }));
        }
        // { bytes, offset } of the file's bytes in bytes, or { error }.
        async take(source) {
            const place = this.places.get(source);
            if (!place) {
                return { error: new Error('the file is not among the picked ones') };
            }
            if (place.chunk > this.current) {
                for (let k = this.current; k < place.chunk; ++k) {
                    this.chunks[k].promise = null;  // passed: its bytes may go
                }
                this.current = place.chunk;
            }
            this.fill();
            const chunk = this.chunks[place.chunk];
            if (!chunk.promise) {
                return this.readAlone(place);
            }
            const got = await chunk.promise;
            if (got.error || got.bytes.byteLength < place.start - chunk.start + place.size) {
                // One unreadable file spoils its chunk: the others are read alone.
                return this.readAlone(place);
            }
            return { bytes: got.bytes, offset: place.start - chunk.start };
        }
    }
    let reader = null;
    let sizes = [];

    function text(pointer) {
        return module.UTF8ToString(pointer);
    }

    // The OUTPUT tree as zip entries: its folders, then the written files,
    // named without the leading '/'. The bytes are views of the module's
    // memory, valid until it runs again.
    function outputEntries() {
        const entries = {};
        const folderCount = module._kestrel_output_folder_count();
        for (let i = 0; i < folderCount; ++i) {
            entries[text(module._kestrel_output_folder(i)).slice(1) + '/'] = new Uint8Array(0);
        }
        const count = module._kestrel_output_count();
        for (let i = 0; i < count; ++i) {
            const path = text(module._kestrel_output_path(i));
            const bytes = fileBytes(path);
            if (bytes) {
                entries[path.slice(1)] = bytes;
            }
        }
        return entries;
    }

    function fileBytes(path) {
        const size = module.ccall('kestrel_file_size', 'number', ['string'], [path]);
        if (size < 0) {
            return null;
        }
        const pointer = module.ccall('kestrel_file_data', 'number', ['string'], [path]);
        return module.HEAPU8.subarray(pointer, pointer + size);
    }

    let setupStart = 0;
    let setupMs = 0;
    let plannedOrder = [];

    // First half of a run: the tree of the picked items (names and sizes
    // only) and the file list. Tells the page in which order to join the
    // files that the batch will read.
    async function plan(message) {
        setupStart = performance.now();
        await kestrel();
        rows = [];
        counts = null;
        stopRequested = false;
        readMs = 0;
        finishedText = '';
        reader = null;
        module._kestrel_clear();
        for (const folder of message.folders) {
            module.ccall('kestrel_add_folder', 'number', ['string'], [folder]);
        }
        const sourceByPath = new Map();
        sizes = [];
        message.entries.forEach(([path, size], source) => {
            sizes.push(size);
            sourceByPath.set(path, source);
            module.ccall('kestrel_add_input', 'number', ['string', 'number', 'number'], [path, size, source]);
        });
        for (const path of message.dropped) {
            module.ccall('kestrel_add_dropped', null, ['string'], [path]);
        }
        // Only names ending in .mmf are read by the batch; each file once.
        const entryCount = module._kestrel_collect();
        const order = [];
        const taken = new Set();
        for (let i = 0; i < entryCount; ++i) {
            const source = sourceByPath.get(text(module._kestrel_entry_path(i)));
            if (source !== undefined && !taken.has(source) && /\.mmf$/i.test(message.entries[source][0])) {
                taken.add(source);
                order.push(source);
            }
        }
        plannedOrder = order;
        self.postMessage({ type: 'order', order: order });
    }

    // Second half: the conversion over the joined files, then the zip.
    async function convert(message) {
        reader = new BlobReader(message.blob, plannedOrder, sizes);
        setupMs = performance.now() - setupStart;
        const runStart = performance.now();
        await module.ccall('kestrel_convert', null, [], [], { async: true });
        const runMs = performance.now() - runStart;
        reader = null;
        post(true);

        const zipStart = performance.now();
        // Stored, not compressed: the outputs are small and the zip is made
        // at once; compressing would cost more time than it saves space.
        const zip = fflate.zipSync(outputEntries(), { level: 0 });
        const zipMs = performance.now() - zipStart;
        self.postMessage({
            type: 'done',
            finishedText: finishedText,
            zip: zip,
            timings: { setupMs: setupMs, readMs: readMs, convertMs: runMs - readMs, zipMs: zipMs },
        }, [zip.buffer]);
    }

    function fail(e) {
        // An abort (memory ran out) leaves the module unusable: the next
        // run starts a fresh one.
        modulePromise = null;
        module = null;
        reader = null;
        self.postMessage({ type: 'failed', message: String(e && e.message ? e.message : e) });
    }

    function sendOutput(index) {
        if (!module) {
            return;
        }
        const path = text(module._kestrel_entry_output(index));
        const bytes = path ? fileBytes(path) : null;
        if (!bytes) {
            self.postMessage({ type: 'output', index: index, name: '', bytes: null });
            return;
        }
        const copy = bytes.slice();
        self.postMessage({ type: 'output', index: index, name: path.slice(path.lastIndexOf('/') + 1), bytes: copy },
            [copy.buffer]);
    }

    self.onmessage = (event) => {
        const message = event.data;
        if (message.type === 'plan') {
            plan(message).catch(fail);
        } else if (message.type === 'convert') {
            convert(message).catch(fail);
        } else if (message.type === 'stop') {
            stopRequested = true;
        } else if (message.type === 'output') {
            sendOutput(message.index);
        } else if (message.type === 'load') {
            kestrel().then(() => self.postMessage({ type: 'ready' }),
                (e) => self.postMessage({ type: 'failed', message: String(e) }));
        }
    };
})();
