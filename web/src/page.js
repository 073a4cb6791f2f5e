// The page's window: takes picked and dropped files, hands them to the
// worker, fills the result list and the counts, and offers the downloads.
'use strict';

(function () {
    const $ = (id) => document.getElementById(id);
    const body = document.body;
    const tbody = $('results').tBodies[0];
    const bar = $('bar');
    const messageBox = $('message');
    const finishedBox = $('finished');
    const stopButton = $('stop');
    const downloadButton = $('download');
    const checkBox = $('check');
    const detailsBox = $('details');

    let worker = null;
    let workerReady = false;
    let zipBlob = null;
    let runStart = 0;
    let rowCount = 0;
    let workerTimings = null;
    let pendingItems = [];

    function showMessage(text) {
        messageBox.textContent = text;
    }

    // This page in parts needs a web server; the single file works anywhere.
    const kStartHint = '\nOpen kestrel.html instead, or load this page from a web server.';

    function makeWorker() {
        // The single-file page carries the worker's script in itself.
        if (typeof window.kestrelWorkerSource === 'string') {
            const url = URL.createObjectURL(new Blob([window.kestrelWorkerSource], { type: 'text/javascript' }));
            return new Worker(url);
        }
        return new Worker('worker.js');
    }

    function startWorker() {
        try {
            worker = makeWorker();
        } catch (e) {
            worker = null;
            showMessage('The converter could not be started here: ' + e.message + kStartHint);
            return;
        }
        workerReady = false;
        worker.onmessage = (event) => onWorkerMessage(event.data);
        worker.onerror = (event) => {
            event.preventDefault();
            if (!workerReady) {
                // It never ran (blocked, say): starting it again would not help.
                showMessage('The converter could not be started here: ' + (event.message || 'unknown error') +
                    kStartHint);
                worker = null;
                return;
            }
            failRun('The converter stopped: ' + (event.message || 'unknown error'));
        };
        worker.postMessage({ type: 'load' });
        startChecker();
    }

    // A second worker checks the structure of the outputs while the first
    // converts; the first is told to check alone when there is none.
    let checker = null;
    function startChecker() {
        if (checker) {
            checker.terminate();
            checker = null;
        }
        try {
            checker = makeWorker();
        } catch (e) {
            worker.postMessage({ type: 'check-alone' });
            return;
        }
        const failedChecker = checker;
        checker.onerror = (event) => {
            event.preventDefault();
            if (checker === failedChecker && worker) {
                worker.postMessage({ type: 'check-alone' });
            }
        };
        const channel = new MessageChannel();
        checker.postMessage({ type: 'checker', port: channel.port2 }, [channel.port2]);
        worker.postMessage({ type: 'check-with', port: channel.port1 }, [channel.port1]);
    }

    function setState(state) {
        body.dataset.state = state;
        stopButton.disabled = state !== 'running';
        stopButton.textContent = state === 'running' ? 'Stop' : 'Ok';
    }

    function resetWindow(total) {
        tbody.textContent = '';
        rowCount = 0;
        pendingRows = [];
        bar.max = Math.max(total, 1);
        bar.value = 0;
        finishedBox.hidden = true;
        finishedBox.textContent = '';
        checkBox.hidden = true;
        checkBox.textContent = '';
        closeDetails();
        showMessage('');
        zipBlob = null;
        downloadButton.disabled = true;
        workerTimings = null;
        window.kestrelTimings = undefined;
    }

    function appendRows(rows) {
        const fragment = document.createDocumentFragment();
        for (const [name, result, path, detail, ok] of rows) {
            const tr = document.createElement('tr');
            tr.className = ok ? 'ok' : 'ng';
            tr.dataset.index = String(rowCount);
            // Each row opens its details (click or Enter), so it takes the focus.
            tr.tabIndex = 0;
            if (detail) {
                tr.title = detail;
            }
            for (const text of [name, result, path]) {
                const td = document.createElement('td');
                td.textContent = text;
                tr.appendChild(td);
            }
            const actions = document.createElement('td');
            actions.className = 'actions';
            if (ok) {
                const button = document.createElement('button');
                button.type = 'button';
                button.className = 'row-download';
                button.textContent = 'Download';
                button.setAttribute('aria-label', 'Download the output of ' + name);
                actions.appendChild(button);
            }
            tr.appendChild(actions);
            fragment.appendChild(tr);
            ++rowCount;
        }
        tbody.appendChild(fragment);
    }

    const kRowsWhileFeedingMs = 500;
    let pendingRows = [];
    let lastAppend = 0;
    function flushRows() {
        lastAppend = performance.now();
        if (pendingRows.length > 0) {
            appendRows(pendingRows);
            pendingRows = [];
        }
    }

    function showCounts(counts) {
        $('total').textContent = counts.totalText;
        $('converted').textContent = counts.convertText;
        $('errors').textContent = counts.errorText;
        bar.value = counts.converted + counts.errors;
    }

    // --- the details panel of a row --------------------------------------------

    // The roll's notes are added in parts, each a short task, so that even
    // the largest roll never holds up the page's thread for long.
    const kNotesPerPart = 300;
    let detailsRequest = 0;  // the panel shows the answer to this request only
    let openRow = null;

    function closeDetails() {
        ++detailsRequest;
        if (openRow) {
            openRow.classList.remove('open');
            openRow.removeAttribute('aria-current');
            openRow = null;
        }
        detailsBox.hidden = true;
        delete detailsBox.dataset.state;
        $('list').classList.remove('with-details');
        $('details-roll').textContent = '';
    }

    function openDetails(tr) {
        closeDetails();
        openRow = tr;
        tr.classList.add('open');
        tr.setAttribute('aria-current', 'true');
        const ok = tr.classList.contains('ok');
        $('details-name').textContent = tr.cells[0].textContent;
        const reason = $('details-reason');
        // An NG row's reason in words, in full view; an OK row needs none.
        reason.textContent = ok ? '' : tr.cells[1].textContent + (tr.title ? ' ' + tr.title : '');
        reason.hidden = ok;
        $('details-check').textContent = '';
        $('details-check').className = '';
        $('details-summary').textContent = body.dataset.state === 'running'
            ? 'Shown when the conversion has ended.' : 'Reading the file...';
        detailsBox.dataset.state = 'loading';
        detailsBox.hidden = false;
        $('list').classList.add('with-details');
        worker.postMessage({ type: 'details', index: Number(tr.dataset.index), request: detailsRequest });
    }

    const nextTask = () => new Promise((resolve) => setTimeout(resolve, 0));

    // The roll as kestrel-info draws it; its notes (one per line) wait out of
    // the first parse and follow in parts, each where its panel had them.
    async function showRoll(svg, request) {
        const shell = [];
        const parts = [];
        let part = null;
        for (const line of svg.split('\n')) {
            if (line.startsWith('<?xml')) {
                continue;
            }
            if (line.startsWith('<rect class="note"')) {
                if (!part) {
                    part = [];
                    parts.push(part);
                    shell.push('<g class="notes"></g>');
                }
                part.push(line);
            } else {
                part = null;
                shell.push(line);
            }
        }
        const box = $('details-roll');
        box.innerHTML = shell.join('\n');
        const groups = box.querySelectorAll('g.notes');
        for (let k = 0; k < parts.length; ++k) {
            for (let i = 0; i < parts[k].length; i += kNotesPerPart) {
                await nextTask();
                if (request !== detailsRequest) {
                    return false;
                }
                groups[k].insertAdjacentHTML('beforeend', parts[k].slice(i, i + kNotesPerPart).join(''));
            }
        }
        return true;
    }

    async function showDetails(message) {
        if (message.request !== detailsRequest || detailsBox.hidden) {
            return;
        }
        const check = $('details-check');
        if (message.failure) {
            $('details-summary').textContent = 'The details could not be made: ' + message.failure + '.';
            detailsBox.dataset.state = 'ready';
            return;
        }
        $('details-summary').textContent = message.summary;
        check.textContent = message.check.trim();
        check.className = message.check ? (message.check.startsWith('OK:') ? 'pass' : 'fail') : '';
        if (message.roll && !(await showRoll(message.roll, message.request))) {
            return;
        }
        detailsBox.dataset.state = 'ready';
    }

    function offerDownload(bytes, name) {
        const url = URL.createObjectURL(bytes instanceof Blob ? bytes : new Blob([bytes]));
        const link = document.createElement('a');
        link.href = url;
        link.download = name;
        document.body.appendChild(link);
        link.click();
        link.remove();
        setTimeout(() => URL.revokeObjectURL(url), 60000);
    }

    function failRun(text) {
        feed = null;
        flushRows();
        showMessage(text + '\nThe browser could not hold this work; try fewer or smaller files at a time.');
        // The fresh converter knows nothing of the last run.
        closeDetails();
        if (body.dataset.state === 'running') {
            setState('finished');
        }
        // A fresh converter for the next run.
        if (worker) {
            worker.terminate();
        }
        startWorker();
    }

    function onWorkerMessage(message) {
        switch (message.type) {
        case 'ready':
            workerReady = true;
            break;
        case 'order':
            sendFiles(message.order);
            break;
        case 'init':
            bar.max = Math.max(message.total, 1);
            break;
        case 'progress':
            pendingRows.push(...message.rows);
            // While files are still being handed over, that comes first:
            // the list grows twice a second then, and at every message after.
            if (!feed || performance.now() - lastAppend > kRowsWhileFeedingMs) {
                flushRows();
            }
            if (message.counts) {
                showCounts(message.counts);
            }
            break;
        case 'done': {
            // A stopped run needs no more files.
            feed = null;
            flushRows();
            zipBlob = new Blob([message.zip], { type: 'application/zip' });
            downloadButton.disabled = false;
            finishedBox.textContent = message.finishedText;
            finishedBox.hidden = false;
            checkBox.textContent = message.checkText;
            checkBox.className = / fail/.test(message.checkText) ? 'fail' : '';
            checkBox.hidden = false;
            const totalMs = performance.now() - runStart;
            workerTimings = message.timings;
            window.kestrelTimings = Object.assign({ totalMs: totalMs }, workerTimings);
            setState('finished');
            break;
        }
        case 'details':
            showDetails(message);
            break;
        case 'output':
            if (message.bytes) {
                offerDownload(message.bytes, message.name);
            } else {
                showMessage('That row has no output to download.');
            }
            break;
        case 'failed':
            failRun('The conversion could not go on: ' + message.message);
            break;
        }
    }

    // --- collecting what was picked or dropped --------------------------------

    // Every item at "/" + its relative path. items: [{path, file}], folders:
    // paths of folders, dropped: the top items in drop order.
    function startRun(items, folders, dropped, pickTime) {
        if (body.dataset.state === 'running') {
            showMessage('A conversion is running: wait until it has finished, or press Stop.');
            return;
        }
        if (!worker) {
            startWorker();
            if (!worker) {
                return;
            }
        }
        feed = null;
        runStart = pickTime;
        resetWindow(items.length);
        setState('running');
        // Names first: the worker collects the file list and answers with
        // the order in which the batch reads the files; they follow in that
        // order, in batches.
        pendingItems = items;
        worker.postMessage({
            type: 'run',
            paths: items.map((item) => item.path),
            folders: folders,
            dropped: dropped,
        });
    }

    // Sends the files the batch reads, in its order, a batch at a time, and
    // returns to the event loop between slices of work so that the page
    // stays responsive: the first look at each file's size is a slow call
    // into the browser (a fraction of a millisecond per file).
    const kBatchFiles = 64;
    const kBatchBytes = 1024 * 1024;
    const kSliceMs = 25;
    const feeder = new MessageChannel();
    let feed = null;
    feeder.port1.onmessage = () => {
        if (feed) {
            feed();
        }
    };
    function sendFiles(order) {
        const items = pendingItems;
        pendingItems = [];
        let next = 0;
        feed = () => {
            const sliceStart = performance.now();
            while (next < order.length && performance.now() - sliceStart < kSliceMs) {
                const sources = [];
                const files = [];
                const sizes = [];
                let bytes = 0;
                while (next < order.length && sources.length < kBatchFiles && bytes < kBatchBytes &&
                       (sources.length === 0 || performance.now() - sliceStart < kSliceMs)) {
                    const file = items[order[next]].file;
                    sources.push(order[next]);
                    files.push(file);
                    sizes.push(file.size);
                    bytes += file.size;
                    ++next;
                }
                worker.postMessage({ type: 'files', sources: sources, files: files, sizes: sizes });
            }
            if (next < order.length) {
                feeder.port2.postMessage(0);
            } else {
                feed = null;
            }
        };
        feed();
    }

    function onPickFiles(input) {
        const pickTime = performance.now();
        const picked = Array.from(input.files);
        input.value = '';
        if (picked.length === 0) {
            return;
        }
        const items = picked.map((file) => ({ path: '/' + file.name, file: file }));
        startRun(items, [], items.map((item) => item.path), pickTime);
    }

    function onPickFolder(input) {
        const pickTime = performance.now();
        const picked = Array.from(input.files);
        input.value = '';
        if (picked.length === 0) {
            return;
        }
        const items = [];
        const tops = [];
        for (const file of picked) {
            const relative = file.webkitRelativePath || file.name;
            const path = '/' + relative;
            items.push({ path: path, file: file });
            const top = '/' + relative.split('/')[0];
            if (relative.includes('/') && !tops.includes(top)) {
                tops.push(top);
            }
        }
        startRun(items, tops, tops.length > 0 ? tops : items.map((item) => item.path), pickTime);
    }

    function readAllEntries(reader) {
        // readEntries hands out a folder's entries in parts until it gives none.
        return new Promise((resolve, reject) => {
            const all = [];
            const next = () => reader.readEntries((part) => {
                if (part.length === 0) {
                    resolve(all);
                } else {
                    all.push(...part);
                    next();
                }
            }, reject);
            next();
        });
    }

    async function collectEntry(entry, items, folders) {
        if (entry.isFile) {
            const file = await new Promise((resolve, reject) => entry.file(resolve, reject));
            items.push({ path: entry.fullPath, file: file });
        } else if (entry.isDirectory) {
            folders.push(entry.fullPath);
            const children = await readAllEntries(entry.createReader());
            for (const child of children) {
                await collectEntry(child, items, folders);
            }
        }
    }

    async function onDrop(event) {
        const pickTime = performance.now();
        if (body.dataset.state === 'running') {
            showMessage('A conversion is running: wait until it has finished, or press Stop.');
            return;
        }
        // Everything of the drop is taken now: its items are gone once this
        // handler first waits. A dropped file is read through getAsFile,
        // which also works on a page opened from disk, where Chromium
        // refuses the entries' own file() and readEntries().
        const entries = [];
        for (const item of Array.from(event.dataTransfer.items)) {
            const entry = item.kind === 'file' && item.webkitGetAsEntry ? item.webkitGetAsEntry() : null;
            if (entry) {
                entries.push({ entry: entry, file: entry.isFile ? item.getAsFile() : null });
            }
        }
        const items = [];
        const folders = [];
        const dropped = [];
        if (entries.length === 0) {
            // No file-system entries (a drop made by a script, an older
            // browser): the dropped files as they are.
            for (const file of Array.from(event.dataTransfer.files)) {
                items.push({ path: '/' + file.name, file: file });
                dropped.push('/' + file.name);
            }
        }
        try {
            for (const { entry, file } of entries) {
                dropped.push(entry.fullPath);
                if (file) {
                    items.push({ path: entry.fullPath, file: file });
                } else {
                    await collectEntry(entry, items, folders);
                }
            }
        } catch (e) {
            if (location.protocol === 'file:' && entries.some(({ entry }) => entry.isDirectory)) {
                showMessage('This browser cannot read a folder dropped on a page opened from disk: ' +
                            'use "Pick a folder", or open the page from a web server.');
            } else {
                showMessage('The dropped items could not be read: ' + (e && e.message ? e.message : e));
            }
            return;
        }
        if (dropped.length > 0) {
            startRun(items, folders, dropped, pickTime);
        }
    }

    // --- wiring ------------------------------------------------------------------

    $('files').addEventListener('change', (event) => onPickFiles(event.target));
    $('folder').addEventListener('change', (event) => onPickFolder(event.target));
    stopButton.addEventListener('click', () => {
        if (body.dataset.state === 'running' && worker) {
            worker.postMessage({ type: 'stop' });
        }
    });
    downloadButton.addEventListener('click', () => {
        if (zipBlob) {
            offerDownload(zipBlob, 'OUTPUT.zip');
        }
    });
    tbody.addEventListener('click', (event) => {
        const button = event.target.closest('.row-download');
        if (button && worker) {
            worker.postMessage({ type: 'output', index: Number(button.closest('tr').dataset.index) });
            return;
        }
        const tr = event.target.closest('tr');
        if (tr && worker) {
            openDetails(tr);
        }
    });
    tbody.addEventListener('keydown', (event) => {
        const tr = event.target;
        if (tr.tagName !== 'TR') {
            return;
        }
        if (event.key === 'Enter' && worker) {
            event.preventDefault();
            openDetails(tr);
        } else if (event.key === 'ArrowDown' || event.key === 'ArrowUp') {
            const next = event.key === 'ArrowDown' ? tr.nextElementSibling : tr.previousElementSibling;
            if (next) {
                event.preventDefault();
                next.focus();
            }
        }
    });
    $('details-close').addEventListener('click', () => {
        const row = openRow;
        closeDetails();
        if (row) {
            row.focus();
        }
    });
    const drop = $('drop');
    // The whole page takes drops, so that a miss does not open the file.
    document.addEventListener('dragover', (event) => {
        event.preventDefault();
        event.dataTransfer.dropEffect = body.dataset.state === 'running' ? 'none' : 'copy';
        drop.classList.add('over');
    });
    document.addEventListener('dragleave', (event) => {
        if (event.target === document.documentElement || !event.relatedTarget) {
            drop.classList.remove('over');
        }
    });
    document.addEventListener('drop', (event) => {
        event.preventDefault();
        drop.classList.remove('over');
        onDrop(event);
    });

    setState('idle');
    startWorker();
})();
