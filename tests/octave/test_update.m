function test_update()
% varn_update against a local server on 127.0.0.1 (tests/update_server.py): after every answer,
% good or bad, the data folder holds the good file or the previous one, whole, with its record.
here = fileparts(mfilename('fullpath'));
data = fullfile(here, '..', 'data');
portfile = [tempname() '.port'];
python = '/usr/bin/python3';
if ~exist(python, 'file'), python = 'python3'; end
system(sprintf('"%s" "%s" "%s" 120 &', python, fullfile(here, '..', 'update_server.py'), portfile));
for k = 1:100
  if exist(portfile, 'file'), break; end
  pause(0.1);
end
got = sscanf(fileread(portfile), '%d');
delete(portfile);
names = {'VARN_DATA_DIR', 'VARN_FINALS_URLS', 'VARN_LEAP_URLS', 'VARN_LEAP_SECONDS', 'no_proxy', 'XDG_CACHE_HOME'};
saved = cellfun(@getenv, names, 'UniformOutput', false);
folder = tempname();
cleanup = onCleanup(@() finish(got(2), names, saved, folder));
cellfun(@setenv, names, {folder, '', '', '', '127.0.0.1', ''});
url = @(route, name) sprintf('http://127.0.0.1:%d/%s/%s', got(1), route, name);
fin = @(route) url(route, 'finals2000A_2016-07.txt');
old = 'finals2000A_2015-01.txt';

% finals URLs, leap URLs, force; statuses (leap, finals); texts of the messages; then in place:
% the finals source, the leap file's name and source.
evil = url('nothing', sprintf('x''$(touch %s/pwned)', folder));   % nothing of a URL reaches a shell
steps = {
  {evil, url('data', old)}, {url('html', 'Leap_Second.dat'), url('data', 'Leap_Second.dat')}, false, ...
    {'updated', 'updated'}, {'/nothing/', 'Leap_Second.dat gave an HTML page', 'data 2015-01-26 to 2015-03-26'}, ...
    {old, 'Leap_Second.dat', 'Leap_Second.dat'}
  fin('data'), url('data', 'leap-seconds.list'), false, {'up to date', 'up to date'}, {'hours ago'}, ...
    {old, 'Leap_Second.dat', 'Leap_Second.dat'}
  {fin('cut'), fin('short'), fin('slow'), fin('html'), fin('leap1s')}, url('data', 'leap-seconds.list'), true, ...
    {'updated', 'failed'}, {'its last line is cut off', '/short/', '/slow/', '/html/finals2000A_2016-07.txt gave an HTML', ...
    'disagrees with the leap-second table', 'the file in place kept'}, {old, 'leap-seconds.list', 'leap-seconds.list'}
  fin('data'), url('data', 'Leap_Second_hypothetical_2027.dat'), true, {'updated', 'updated'}, ...
    {'data 1972-01-01 to 2027-12-28', 'data 2016-07-09 to 2016-07-29'}, ...
    {'finals2000A_2016-07.txt', 'Leap_Second.dat', 'Leap_Second_hypothetical_2027.dat'}
  url('data', old), url('data', 'leap-seconds.list'), true, {'failed', 'failed'}, ...
    {'(28 steps where it has 29)', 'older file: its data end on 2015-03-26'}, ...
    {'finals2000A_2016-07.txt', 'Leap_Second.dat', 'Leap_Second_hypothetical_2027.dat'}};
for k = 1:size(steps, 1)
  [finals, leap, force, want, texts, now_in] = steps{k, :};
  r = varn_update('finals', finals, 'leap', leap, 'force', force, 'timeout', 1);
  what = sprintf('step %d: %s | %s', k, r.message);
  expect('true', what, isequal({r.status}, want));
  for t = texts
    expect('true', [what ' holds ' t{1}], ~isempty(strfind([r.message], t{1})));
  end
  d = dir(folder);
  expect('true', [what ': the folder'], isequal(sort({d(~[d.isdir]).name}), ...
         sort({'finals2000A.all', 'finals2000A.all.json', now_in{2}, [now_in{2} '.json']})));
  expect('true', [what ': finals in place'], isequal(fileread(fullfile(folder, 'finals2000A.all')), ...
         fileread(fullfile(data, now_in{1}))));
  expect('true', [what ': leap file in place'], isequal(fileread(fullfile(folder, now_in{2})), ...
         fileread(fullfile(data, now_in{3}))));
  rec = jsondecode(fileread(fullfile(folder, 'finals2000A.all.json')));
  expect('true', [what ': record'], strcmp(rec.url, r(2).url) && isequal(rec.span(:)', r(2).span));
  % The folder's leap-second table is in force where it knows more than the built-in one (a 2027 step).
  leap = varn_time('leapseconds');
  knows_more = strcmp(now_in{3}, 'Leap_Second_hypothetical_2027.dat');
  expect('true', [what ': leap source ' leap.source], strcmp(leap.source, ...
         fullfile(folder, now_in{2})) == knows_more && strcmp(leap.source, 'built-in') ~= knows_more);
end

% Both leap-second files in the folder: the one fetched last is in force. This one knows more
% by its expiry date alone (the layout is told by content, not by name).
other = fullfile(folder, 'leap-seconds.list');
f = fopen(other, 'w');
fwrite(f, strrep(fileread(fullfile(data, 'Leap_Second.dat')), '28 June 2027', '28 June 2028'));
fclose(f);
rec = jsondecode(fileread(fullfile(folder, 'Leap_Second.dat.json')));
for later = [1 -1]
  f = fopen([other '.json'], 'w'); fprintf(f, '{"fetched_unix": %d}', rec.fetched_unix + later); fclose(f);
  leap = varn_time('leapseconds');
  expect('true', ['both leap files: ' leap.source], strcmp(leap.source, other) == (later > 0) && ...
         strcmp(leap.source, fullfile(folder, 'Leap_Second.dat')) == (later < 0));
end
delete(other, [other '.json']);

% Without a path varn_eop reads the folder's finals2000A.all; fetched over 30 days ago, it warns once.
tt = [57590 0];
file = fullfile(folder, 'finals2000A.all');
expect('true', 'varn_eop([], tt), varn_eop(tt), varn_eop([])', isequaln(varn_eop(file, tt), ...
       varn_eop([], tt), varn_eop(tt)) && isequaln(varn_eop(file), varn_eop([])));
rec = jsondecode(fileread([file '.json']));   % fetched seconds ago
for late = [100 -100]   % 30 days and 100 s ago: stale; 100 s less: not yet
  f = fopen([file '.json'], 'w');
  fprintf(f, '{"url": "x", "fetched_unix": %d}', rec.fetched_unix - 30 * 86400 - late);
  fclose(f);
  lastwarn('');
  varn_eop(tt);
  [msg, id] = lastwarn();
  expect('true', ['stale: ' msg], (late > 0) == (strcmp(id, 'MATLAB:varn_eop:staleData') && ...
         ~isempty(strfind(msg, [file ' was fetched 30 days ago'])) && ~isempty(strfind(msg, 'run varn_update'))));
end
% A record without a fetch time (none, no member, not a number, no colon) is no stale file;
% one fetched in 1970 is.
for c = {'', '{"url": "x"}', '{"fetched_unix": "soon"}', '{"fetched_unix" 1}', '{"fetched_unix": 0}'}
  f = fopen([file '.json'], 'w'); fwrite(f, c{1}); fclose(f);
  if isempty(c{1}), delete([file '.json']); end
  lastwarn('');
  varn_eop(tt);
  expect('true', ['fetch time in ''' c{1} ''''], isempty(lastwarn()) == isempty(strfind(c{1}, ': 0')));
end
% No file yet: the error names the folder, by the rule (VARN_DATA_DIR, else $XDG_CACHE_HOME/varn
% when absolute, else ~/.cache/varn).
nothing = 'No finals2000A.all in the data folder %s: run varn_update to fetch it (set VARN_DATA_DIR to use another folder), or name a file.';
for c = {{[folder 'x'], '/elsewhere'}, [folder 'x']; {'', '/x/cache'}, '/x/cache/varn'; {'', 'rel'}, [getenv('HOME') '/.cache/varn']}'
  setenv('VARN_DATA_DIR', c{1}{1});
  setenv('XDG_CACHE_HOME', c{1}{2});
  if exist(fullfile(c{2}, 'finals2000A.all'), 'file'), continue; end   % a real folder here
  expect('error', ['no file in ' c{2}], 'MATLAB:varn_eop:NoData', sprintf(nothing, c{2}), 1, @() varn_eop(tt));
end
expect('error', 'odd options', 'MATLAB:varn_update:BadArgument', '', 0, @() varn_update('force'));
expect('error', 'timeout', 'MATLAB:varn_update:BadArgument', '', 0, @() varn_update('timeout', -1));
end

function finish(pid, names, saved, folder)
system(sprintf('kill %d', pid));
cellfun(@setenv, names, saved);
if exist(folder, 'dir'), rmdir(folder, 's'); end
end
