#!/usr/bin/env python3
"""Every arrow between the folders of src/ points down.

usage: check_layers.py <src folder> [<targets file written by src/CMakeLists.txt>]

Reads the table src/layers.txt (folder: folders it may include) and fails when
- a file includes a header of a folder the table does not allow, or names a header of another
  folder without its folder ("Rtf.h" instead of "rtf/Rtf.h");
- the table has a circle, or leaves out a folder;
and, given the targets file, when a target includes a header of another target it does not link
(PUBLIC when one of its headers includes it), or links a target of ours whose headers it never
includes. Prints one line per fault; the exit status is the number of faults (capped).
"""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
SOURCE_ENDINGS = ('.h', '.cpp')


def read_table(src):
    allowed = {}
    with open(os.path.join(src, 'layers.txt'), encoding='utf-8') as f:
        for line in f:
            line = line.split('#', 1)[0].strip()
            if not line:
                continue
            folder, _, below = line.partition(':')
            allowed[folder.strip()] = set(below.split())
    return allowed


def circle_in(allowed):
    """A folder that reaches itself through the table, or None."""
    state = {}

    def visit(folder):
        state[folder] = 'open'
        for lower in allowed.get(folder, ()):
            if state.get(lower) == 'open' or (lower not in state and visit(lower)):
                return True
        state[folder] = 'done'
        return False

    for folder in allowed:
        if folder not in state and visit(folder):
            return folder
    return None


def sources_under(src):
    for root, _, names in os.walk(src):
        for name in sorted(names):
            if name.endswith(SOURCE_ENDINGS):
                yield os.path.join(root, name)


def headers_by_name(src):
    names = {}
    for path in sources_under(src):
        names.setdefault(os.path.basename(path), []).append(path)
    return names


def resolve(src, including, written, by_name):
    """The file of ours an include names, and whether it was written without its folder while
    it lives in another one. None for headers not under src/ (Qt, generated, moc)."""
    beside = os.path.normpath(os.path.join(os.path.dirname(including), written))
    if os.path.isfile(beside):
        return beside, False
    rooted = os.path.normpath(os.path.join(src, written))
    if os.path.isfile(rooted):
        return rooted, False
    elsewhere = by_name.get(os.path.basename(written))
    if elsewhere and '/' not in written:
        return elsewhere[0], True
    return None, False


def folder_of(src, path):
    return os.path.relpath(path, src).split(os.sep, 1)[0]


def includes_of(path):
    with open(path, encoding='utf-8', errors='replace') as f:
        return INCLUDE.findall(f.read())


def check_folders(src, allowed, faults):
    folders = {d for d in os.listdir(src) if os.path.isdir(os.path.join(src, d))}
    for missing in sorted(folders - set(allowed)):
        faults.append(f'src/layers.txt: folder {missing} is not in the table')
    for folder, below in sorted(allowed.items()):
        for unknown in sorted(below - set(allowed)):
            faults.append(f'src/layers.txt: {folder} names {unknown}, which is not in the table')
    looped = circle_in(allowed)
    if looped:
        faults.append(f'src/layers.txt: the table runs in a circle through {looped}')
    by_name = headers_by_name(src)
    for path in sources_under(src):
        own = folder_of(src, path)
        for written in includes_of(path):
            target, bare = resolve(src, path, written, by_name)
            if target is None:
                continue
            where = os.path.relpath(path, os.path.dirname(src))
            other = folder_of(src, target)
            if bare:
                faults.append(f'{where}: "{written}" lives in {other}/: write "{other}/{written}"')
            elif other != own and other not in allowed.get(own, ()):
                faults.append(f'{where}: includes "{written}" but {own} may not include {other} '
                              f'(src/layers.txt)')


def read_targets(path):
    """name -> {'dir', 'sources', 'links', 'public'} from the file src/CMakeLists.txt writes."""
    targets, current = {}, None
    with open(path, encoding='utf-8') as f:
        for line in f:
            kind, _, value = line.rstrip('\n').partition(' ')
            if kind == 'target':
                name, _, folder = value.partition(' ')
                current = targets[name] = {'dir': folder, 'sources': set(), 'links': set(), 'public': set()}
            elif kind == 'source':
                current['sources'].add(os.path.normpath(os.path.join(current['dir'], value)))
            elif kind in ('link', 'public') and value:
                current['links' if kind == 'link' else 'public'].add(value)
    return targets


def check_links(src, targets_file, faults):
    targets = read_targets(targets_file)
    owner = {}
    for name, t in targets.items():
        for source in t['sources']:
            owner.setdefault(source, name)
    by_name = headers_by_name(src)
    for name, t in sorted(targets.items()):
        used = set()
        for source in sorted(t['sources']):
            if not source.startswith(src + os.sep) or not os.path.isfile(source):
                continue
            for written in includes_of(source):
                header, _ = resolve(src, source, written, by_name)
                if header is None:
                    continue
                other = owner.get(header)
                where = os.path.relpath(source, os.path.dirname(src))
                if other is None:
                    faults.append(f'{where}: includes "{written}", which no target lists')
                    continue
                if other == name:
                    continue
                used.add(other)
                if other not in t['links'] and other not in t['public']:
                    faults.append(f'{where}: includes "{written}" of {other}, which {name} does not link')
                elif source.endswith('.h') and other not in t['public']:
                    faults.append(f'{where}: header includes "{written}" of {other}: '
                                  f'{name} must link it PUBLIC')
        ours = {link for link in t['links'] | t['public'] if link in targets}
        for unused in sorted(ours - used):
            if any(s.startswith(src + os.sep) for s in targets[unused]['sources']):
                faults.append(f'{name} links {unused} but includes none of its headers')


def main():
    src = os.path.abspath(sys.argv[1])
    faults = []
    check_folders(src, read_table(src), faults)
    if len(sys.argv) > 2:
        check_links(src, sys.argv[2], faults)
    for fault in faults:
        print(fault)
    print(f'{len(faults)} fault(s)')
    return min(len(faults), 100)


if __name__ == '__main__':
    sys.exit(main())
