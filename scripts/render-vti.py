#!/usr/bin/python3
"""Renders one array of a .vti file written by `meldrit-cli export` to a PNG, offscreen, with VTK.

    render-vti.py FILE.vti ARRAY OUT.png [WIDTH HEIGHT]

The grid is drawn as its outer faces coloured by the array (viridis-like ramp), seen from the
south-west and above, as a geostatistician would first look at it in ParaView. Run it under a
virtual display where there is none: xvfb-run -a scripts/render-vti.py ...
"""
import sys

import vtk


def main(argv):
    if len(argv) not in (4, 6):
        print(__doc__, file=sys.stderr)
        return 2
    path, array, out = argv[1:4]
    width, height = (int(argv[4]), int(argv[5])) if len(argv) == 6 else (800, 520)

    reader = vtk.vtkXMLImageDataReader()
    reader.SetFileName(path)
    reader.Update()
    image = reader.GetOutput()
    values = image.GetPointData().GetArray(array)
    if values is None:
        print(f"{path} has no array {array}", file=sys.stderr)
        return 1
    image.GetPointData().SetActiveScalars(array)
    low, high = values.GetRange()

    # The grid's outer faces, coloured by the nodes' values.
    surface = vtk.vtkDataSetSurfaceFilter()
    surface.SetInputData(image)
    ramp = vtk.vtkColorTransferFunction()
    for t, (r, g, b) in zip((0, 0.25, 0.5, 0.75, 1),
                            ((0.267, 0.005, 0.329), (0.231, 0.322, 0.545), (0.128, 0.567, 0.551),
                             (0.369, 0.789, 0.383), (0.993, 0.906, 0.144))):
        ramp.AddRGBPoint(low + t * (high - low), r, g, b)
    mapper = vtk.vtkDataSetMapper()
    mapper.SetInputConnection(surface.GetOutputPort())
    mapper.SetLookupTable(ramp)
    mapper.SetScalarRange(low, high)
    actor = vtk.vtkActor()
    actor.SetMapper(mapper)
    actor.SetScale(1, 1, 10)  # a thin layer: its thickness shown ten times over
    actor.GetProperty().SetAmbient(0.45)
    actor.GetProperty().SetDiffuse(0.6)

    bar = vtk.vtkScalarBarActor()
    bar.SetLookupTable(ramp)
    bar.SetTitle(array)
    bar.SetNumberOfLabels(5)
    bar.SetWidth(0.08)
    bar.SetHeight(0.6)
    bar.SetPosition(0.9, 0.2)
    for text in (bar.GetTitleTextProperty(), bar.GetLabelTextProperty()):
        text.SetColor(0.1, 0.1, 0.1)
        text.ItalicOff()
        text.ShadowOff()

    renderer = vtk.vtkRenderer()
    renderer.SetBackground(1, 1, 1)
    renderer.AddActor(actor)
    renderer.AddActor2D(bar)
    renderer.SetViewport(0, 0, 1, 1)
    camera = renderer.GetActiveCamera()
    camera.SetViewUp(0, 0, 1)
    camera.SetPosition(-1, -1.6, 1.1)
    camera.SetFocalPoint(0, 0, 0)
    renderer.ResetCamera()
    camera.Zoom(1.15)

    window = vtk.vtkRenderWindow()
    window.SetOffScreenRendering(1)
    window.SetSize(width, height)
    window.AddRenderer(renderer)
    window.Render()
    grab = vtk.vtkWindowToImageFilter()
    grab.SetInput(window)
    grab.Update()
    writer = vtk.vtkPNGWriter()
    writer.SetFileName(out)
    writer.SetInputConnection(grab.GetOutputPort())
    writer.Write()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
