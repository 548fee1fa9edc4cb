% Benchmark of the whole varn call in GNU Octave (or MATLAB):
% time per epoch for n = 1e3, 1e5 and 1e6 epochs, the share of the
% gateway's own work (the call less the computation), the peak memory of
% one call against the size of its inputs and outputs, and the state vector
% transform on the matrices of each call.
%
% Run after building (make bench runs it after the C++ benchmark):
%   octave-cli --no-gui --no-history --norc --path "$PWD/build/mex" \
%     --eval "core_us_per_epoch = 30.1; run('bench/bench_varn.m')"
% sizes (default [1e3 1e5 1e6]) may be set the same way.
%
% What the call costs beyond the computation, (call - computation) / call,
% is printed when core_us_per_epoch, the computation per epoch on all cores
% from the C++ benchmark (build/bench/varn_bench), is given. It holds the
% host's creation of the outputs, the gateway's copies and the first touch
% of its private arrays; the C++ benchmark measures the last two apart. The peak is the resident memory
% of the Octave process during the call beyond what it held before it.

if ~exist('sizes', 'var'), sizes = [1e3 1e5 1e6]; end
if ~exist('core_us_per_epoch', 'var'), core_us_per_epoch = NaN; end

bytes_per_epoch_in = 7 * 8;    % tt (2 columns) and five columns
bytes_per_epoch_out = 63 * 8;  % eighteen outputs, 63 columns in all

function kb = status_kb(field)
  % A field of /proc/self/status (Linux), in kB; NaN elsewhere.
  kb = NaN;
  fid = fopen('/proc/self/status', 'r');
  if fid < 0, return; end
  txt = fread(fid, Inf, 'char=>char')';
  fclose(fid);
  tok = regexp(txt, [field ':\s*(\d+)\s*kB'], 'tokens', 'once');
  if ~isempty(tok), kb = str2double(tok{1}); end
end

function ok = reset_peak()
  % Writing 5 to clear_refs resets the peak resident size (Linux >= 4.0).
  ok = false;
  fid = fopen('/proc/self/clear_refs', 'w');
  if fid < 0, return; end
  ok = fprintf(fid, '5') == 1;
  fclose(fid);
end

printf('%9s %12s %12s %14s %14s %10s\n', 'n', 'call (s)', 'us/epoch', ...
       'peak (MB)', 'in+2*out (MB)', 'peak/bound');
for n = sizes
  m = 58849 + floor((0:n-1)' / 86400);
  s = mod((0:n-1)', 86400);
  tt = [m, s];
  xp = 0.1 + 0.05 * sin((1:n)' * 1e-4);
  yp = 0.35 + 0.05 * cos((1:n)' * 1e-4);
  dX = 1.5e-4 * ones(n, 1);
  dY = -2.0e-4 * ones(n, 1);
  DUT = -0.2 + 0.1 * sin((1:n)' * 1e-5);

  % Warm up (loads the plug-in, faults in the allocator's memory).
  [o{1:18}] = varn(tt(1:min(n, 1000), :), xp(1:min(n, 1000)), yp(1:min(n, 1000)), ...
                   dX(1:min(n, 1000)), dY(1:min(n, 1000)), DUT(1:min(n, 1000)));
  clear o;

  rss0 = status_kb('VmRSS');
  have_peak = reset_peak();
  t0 = tic;
  [o{1:18}] = varn(tt, xp, yp, dX, dY, DUT);
  elapsed = toc(t0);
  peak = status_kb('VmHWM');
  % A state per epoch from GCRS to ITRS with the matrices just made: the
  % whole call against the varn call that made them.
  if exist('varn_gcrs2itrs', 'file') == 3
    x = 7e6 * [cos(m), sin(m), 0.1 * cos(3 * m)];
    t0 = tic;
    [ri, vi, ai] = varn_gcrs2itrs(o{1}, o{3}, x, 1e-3 * x, 1e-6 * x, 1e-3);
    state_s = toc(t0);
    clear x ri vi ai;
  end
  clear o;

  bound_mb = n * (bytes_per_epoch_in + 2 * bytes_per_epoch_out) / 2^20;
  if have_peak
    peak_mb = (peak - rss0) / 1024;
  else
    peak_mb = NaN;
  end
  printf('%9d %12.3f %12.2f %14.1f %14.1f %10.2f\n', n, elapsed, 1e6 * elapsed / n, ...
         peak_mb, bound_mb, peak_mb / bound_mb);
  if ~isnan(core_us_per_epoch)
    printf('          beyond the computation: %.2f%% of the call\n', ...
           100 * (1 - core_us_per_epoch * n * 1e-6 / elapsed));
  end
  if exist('varn_gcrs2itrs', 'file') == 3
    printf('          varn_gcrs2itrs (r, v, a): %.4f us/epoch = %.2f%% of the varn call\n', ...
           1e6 * state_s / n, 100 * state_s / elapsed);
  end
end

% varn_fast against varn, the whole call, on the batches of the C++
% benchmark: 10-minute epochs over a year, 1 Hz over a day, and 1,000 epochs
% scattered over ten years (computed exactly by varn_fast too).
if exist('varn_fast', 'file') == 3
  rng(5489);
  batches = {'10 min over a year', 59945 + (0:52559)' / 144
             '1 Hz over a day', 59945 + (0:86399)' / 86400
             '1,000 over 10 years', sort(59945 + 3652.5 * rand(1000, 1))};
  fprintf('\n%22s %14s %14s %9s\n', 'batch', 'varn us/ep', 'varn_fast us/ep', 'speed-up');
  for b = 1:size(batches, 1)
    m = batches{b, 2};
    n = numel(m);
    in = {[floor(m), (m - floor(m)) * 86400], 0.1 + 0.05 * sin(m / 400), ...
          0.35 + 0.05 * cos(m / 400), 1.5e-4 * ones(n, 1), -2e-4 * ones(n, 1), ...
          -0.2 + 0.1 * sin(m / 300)};
    times = zeros(1, 2);
    fns = {@varn, @varn_fast};
    for f = 1:2
      best = Inf;
      for rep = 1:3   % fastest of three
        t0 = tic;
        [o{1:18}] = fns{f}(in{:});
        best = min(best, toc(t0));
      end
      times(f) = best;
    end
    clear o;
    fprintf('%22s %14.2f %14.2f %9.1f\n', batches{b, 1}, 1e6 * times / n, times(1) / times(2));
  end
end

% varn_eop, the whole call: the first read of a series (VARN_EOP_FILE, for
% example the full EOP 14 C04 series; else the committed excerpt) and the
% interpolation of 10^5 epochs from the table kept between calls.
if exist('varn_eop', 'file') == 3
  here = fileparts(mfilename('fullpath'));
  file = getenv('VARN_EOP_FILE');
  if isempty(file), file = fullfile(here, '..', 'tests', 'data', 'eopc04_14_2016-12.txt'); end
  clear('varn_eop');   % forget a table kept from an earlier call
  t0 = tic;
  first = varn_eop(file, [57740 0]);
  read_s = toc(t0);
  m = first.xp * 0 + 57740 + (0:99999)' * (27 / 1e5);   % inside the excerpt's span
  t0 = tic;
  [xp_i, yp_i] = varn_eop(file, [floor(m), (m - floor(m)) * 86400]);
  interp_s = toc(t0);
  fprintf('\nvarn_eop: first call (read) %.1f ms; 10^5 epochs from the kept table %.3f us/epoch\n', ...
          1e3 * read_s, 1e6 * interp_s / numel(m));
end
