"""The type stub against the module: every public name, every parameter with its default, every
attribute, and whether an attribute can be written."""

import ast
import inspect
import pathlib

import pelmora

STUB = ast.parse(pathlib.Path(pelmora.__file__).with_name("pelmora.pyi").read_text())


def public(names):
    return {name for name in names if not name.startswith("_") or name == "__version__"}


def stub_parameters(function):
    """(name, default) of each parameter after self, the default as its repr."""
    arguments = function.args
    names = [a.arg for a in arguments.posonlyargs + arguments.args]
    defaults = [None] * (len(names) - len(arguments.defaults)) + [
        repr(ast.literal_eval(d)) for d in arguments.defaults]
    pairs = list(zip(names, defaults))
    return pairs[1:] if names[:1] == ["self"] else pairs


def split_parameters(text):
    """The parameters of a signature line, split at the commas outside brackets."""
    parts, depth, start = [], 0, 0
    for at, char in enumerate(text):
        depth += {"[": 1, "]": -1}.get(char, 0)
        if char == "," and depth == 0:
            parts.append(text[start:at].strip())
            start = at + 1
    return parts + [text[start:].strip()] if text.strip() else parts


def runtime_parameters(function, method):
    """The same, from inspect or from the signature line that pybind11 writes into a docstring."""
    doc = function.__doc__ or ""
    if not doc.startswith(function.__name__ + "("):
        pairs = [(p.name, None if p.default is p.empty else repr(p.default))
                 for p in inspect.signature(function).parameters.values()]
    else:
        line = doc.splitlines()[0]
        pairs = []
        for parameter in split_parameters(line[line.index("(") + 1:line.rindex(") ->")]):
            name, _, default = parameter.partition(" = ")
            pairs.append((name.split(":")[0].strip(), default or None))
    return pairs[1:] if method else pairs


def members(node):
    """{name: (kind, node)} of a stub class or module body; kind: function, property, value."""
    found = {}
    for item in node.body:
        if isinstance(item, ast.FunctionDef):
            is_property = any(getattr(d, "id", "") == "property" for d in item.decorator_list)
            found[item.name] = ("property" if is_property else "function", item)
        elif isinstance(item, ast.AnnAssign):
            found[item.target.id] = ("value", item)
        elif isinstance(item, ast.ClassDef):
            found[item.name] = ("class", item)
        elif isinstance(item, ast.Assign):
            found.update({t.id: ("value", item) for t in item.targets})
    return found


def runtime_members(runtime, method):
    """{name: value}: a module's names, or a class's with what __init__ gives an instance."""
    if not method:
        return {name: inspect.getattr_static(runtime, name) for name in dir(runtime)}
    found = dict(vars(runtime))
    if issubclass(runtime, Exception):
        found.update(vars(runtime(0, "", "")))
    return found


def check(stub_members, runtime, method, where):
    present = runtime_members(runtime, method)
    assert public(stub_members) == public(present), where
    for name in public(stub_members):
        kind, node = stub_members[name]
        value = present[name]
        if kind == "class":
            check(members(node), getattr(runtime, name), True, name)
        elif kind == "function":
            assert callable(value), f"{where}.{name}"
            assert stub_parameters(node) == runtime_parameters(getattr(runtime, name), method), \
                f"{where}.{name}"
        elif kind == "property":
            assert isinstance(value, property) and value.fset is None, f"{where}.{name}"
        else:
            assert not isinstance(value, property) or value.fset is not None, f"{where}.{name}"


def test_the_stub_names_what_the_module_has_as_it_has_it():
    check(members(STUB), pelmora, False, "pelmora")
    for name in ("__enter__", "__exit__"):
        for cls in ("Device", "Simulation"):
            stub = members(members(STUB)[cls][1])[name][1]
            assert stub_parameters(stub) == runtime_parameters(
                getattr(getattr(pelmora, cls), name), True), f"{cls}.{name}"
    init = members(members(STUB)["AutomationError"][1])["__init__"][1]
    assert stub_parameters(init) == runtime_parameters(pelmora.AutomationError.__init__, True)
