#!/usr/bin/env python3
"""Planted faults: read faults.txt, apply one to a worktree, read the test programs' XML, write the results."""
import os, re, sys, json
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.abspath(__file__))
FAULTS = os.path.join(HERE, 'faults.txt')
OUT = os.environ.get('FAULTS_OUT', '/tmp/gorvath-faults')
os.makedirs(OUT, exist_ok=True)
RESULTS_JSON = os.path.join(OUT, 'results.json')
RESULTS_MD = os.path.join(OUT, 'results.md')


def load(path=FAULTS):
    faults, cur, block = [], None, None
    for raw in open(path, encoding='utf-8').read().split('\n'):
        if raw.startswith('=== '):
            cur = {'id': raw[4:].strip(), 'old': [], 'new': []}
            faults.append(cur)
            block = None
            continue
        if cur is None:
            continue
        if raw.startswith('--- '):
            block = raw[4:].strip()
            continue
        if block in ('old', 'new'):
            cur[block].append(raw)
            continue
        m = re.match(r'^(area|file|desc|spare):\s*(.*)$', raw)
        if m:
            cur[m.group(1)] = m.group(2)
    for f in faults:
        for k in ('old', 'new'):
            lines = f[k]
            # blank lines and notes between entries belong to no block
            while lines and (lines[-1].strip() == '' or lines[-1].startswith('#')):
                lines.pop()
            f[k] = '\n'.join(lines)
        for k in ('area', 'file', 'desc'):
            if k not in f:
                sys.exit('fault %s has no %s' % (f['id'], k))
        if not f['old']:
            sys.exit('fault %s has no old text' % f['id'])
    return faults


def find(fid):
    for f in load():
        if f['id'] == fid:
            return f
    sys.exit('no fault ' + fid)


def cmd_ids(which='main'):
    print(' '.join(f['id'] for f in load() if which == 'all' or (f.get('spare') == 'yes') == (which == 'spare')))


def cmd_file(fid):
    print(find(fid)['file'])


def cmd_apply(wt, fid, check_only=False):
    f = find(fid)
    path = os.path.join(wt, f['file'])
    if not os.path.exists(path):
        print('no file %s' % f['file']); return 2
    text = open(path, encoding='utf-8').read()
    n = text.count(f['old'])
    if n != 1:
        print('old text found %d times in %s' % (n, f['file'])); return 3
    if not check_only:
        new = f['new']
        old = f['old']
        if new == '':
            # a deleted line goes with its line feed
            if text.count(old + '\n') == 1:
                old += '\n'
        open(path, 'w', encoding='utf-8').write(text.replace(old, new, 1))
    return 0


def cmd_failures(*xmls):
    """Failed tests of gtest XML files: one line each, 'Suite.Name<TAB>file'."""
    for x in xmls:
        if not os.path.exists(x) or os.path.getsize(x) == 0:
            continue
        try:
            root = ET.parse(x).getroot()
        except ET.ParseError:
            continue
        for suite in root.iter('testsuite'):
            for tc in suite.iter('testcase'):
                if tc.find('failure') is not None or tc.find('error') is not None:
                    print('%s.%s\t%s' % (tc.get('classname', suite.get('name')), tc.get('name'), tc.get('file', '')))


def is_golden(name, file):
    return 'golden' in name.lower() or os.path.basename(file).startswith('goldens_test')


def cmd_record(fid, status, failures_file, extra=''):
    """Store one fault's outcome. status: caught | applyfail | buildfail | notrun."""
    res = json.load(open(RESULTS_JSON)) if os.path.exists(RESULTS_JSON) else {}
    names, golden = [], []
    if os.path.exists(failures_file):
        for line in open(failures_file):
            line = line.rstrip('\n')
            if not line:
                continue
            name, _, file = line.partition('\t')
            if file.startswith('(') and file != '(ctest)':
                name += ' ' + file  # (crashed) or (hung)
            if name in names:
                continue  # a golden check run both by a test program and by ctest
            names.append(name)
            if is_golden(name, file):
                golden.append(name)
    res[fid] = {'status': status, 'failed': names, 'golden': golden, 'extra': extra}
    json.dump(res, open(RESULTS_JSON, 'w'), indent=1, sort_keys=True)
    cmd_render()


def cmd_render():
    res = json.load(open(RESULTS_JSON)) if os.path.exists(RESULTS_JSON) else {}
    out = ['# Planted faults and what caught them', '',
           'Each fault was applied alone, the tree built, the unit and net test programs run, and the file put back.',
           '"golden only" means only golden-battle tests (names with "Golden", or from goldens_test) failed.', '',
           '| id | area | file | fault | caught by |', '|---|---|---|---|---|']
    counts = {'named': 0, 'golden only': 0, 'NOTHING': 0, 'other': 0}
    summary = None
    rows = [f for f in load() if f.get('spare') != 'yes']
    spares = [f for f in load() if f.get('spare') == 'yes' and f['id'] in res]
    for f in rows + ([None] if spares else []) + spares:
        if f is None:
            summary = dict(counts)  # spares are not counted
            out += ['', 'Spare faults (kept in reserve, run on their own):', '',
                    '| id | area | file | fault | caught by |', '|---|---|---|---|---|']
            continue
        r = res.get(f['id'])
        if r is None:
            caught = 'not run yet'; counts['other'] += 1
        elif r['status'] == 'applyfail':
            caught = 'NOT APPLIED (old text not found exactly once)'; counts['other'] += 1
        elif r['status'] == 'buildfail':
            caught = 'DOES NOT BUILD'; counts['other'] += 1
        else:
            named = [n for n in r['failed'] if n not in r['golden']]
            if named:
                shown = named[:8]
                caught = ', '.join('`%s`' % n for n in shown)
                if len(named) > len(shown):
                    caught += ' and %d more' % (len(named) - len(shown))
                if r['golden']:
                    caught += ' (+%d golden)' % len(r['golden'])
                counts['named'] += 1
            elif r['golden']:
                caught = 'golden only (%s)' % ', '.join('`%s`' % n for n in r['golden'][:4]); counts['golden only'] += 1
            else:
                caught = 'NOTHING'; counts['NOTHING'] += 1
            if r.get('extra'):
                caught += ' [%s]' % r['extra']
        out.append('| %s | %s | %s | %s | %s |' % (f['id'], f['area'], f['file'], f['desc'].replace('|', '/'), caught))
    c = summary if spares else counts
    out += ['', 'Main list: caught by a named unit/net test: %d; golden only: %d; nothing: %d; not run or invalid: %d.' %
            (c['named'], c['golden only'], c['NOTHING'], c['other'])]
    open(RESULTS_MD, 'w').write('\n'.join(out) + '\n')


if __name__ == '__main__':
    a = sys.argv[1:]
    if not a:
        sys.exit(__doc__)
    c = a[0]
    if c == 'ids': cmd_ids(*a[1:])
    elif c == 'file': cmd_file(a[1])
    elif c == 'check': sys.exit(cmd_apply(a[1], a[2], True))
    elif c == 'apply': sys.exit(cmd_apply(a[1], a[2]))
    elif c == 'failures': cmd_failures(*a[1:])
    elif c == 'record': cmd_record(*a[1:])
    elif c == 'render': cmd_render()
    else: sys.exit('unknown command ' + c)
