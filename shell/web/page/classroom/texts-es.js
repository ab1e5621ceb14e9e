// The classroom view's words in Spanish, the program's own language.
export default {
    title: "Brisqual: el teorema del valor medio para integrales",
    instruction: "Arrastre la curva roja hacia arriba o hacia abajo, y mueva las asas a y b bajo la gráfica: la línea verde, el valor medio en [a, b], iguala las áreas por encima y por debajo, y corta la curva en cada c.",
    tools: "Herramientas", undo: "Deshacer", redo: "Rehacer", reset: "Curva plana", copyLink: "Copiar enlace",
    savePicture: "Guardar imagen", help: "Ayuda", classic: "Vista clásica", language: "English",
    listen: "Escuchar", stop: "Parar", keyTone: "Tono al mover",
    plotKeys: "Las flechas izquierda y derecha eligen una muestra; arriba y abajo mueven allí la curva.",
    plot: "Gráfica de la curva", plotRole: "gráfica interactiva",
    legendTitle: "Leyenda", legendCurve: "roja: la función f", legendIntegral: "amarilla: su integral desde a (valores a la derecha)",
    legendMean: "verde: su valor medio en [a, b]", legendAbove: "azul, rayada: el área por encima",
    legendBelow: "rosa, punteada: el área por debajo", legendSecant: "naranja: la secante de la curva amarilla de a a b, y sus tangentes en cada c",
    showRectangle: "Rectángulo de altura el valor medio", handleA: "Inicio del intervalo, a", handleB: "Fin del intervalo, b",
    meanLabel: "Valor medio:", presets: "Curvas preparadas",
    presetNames: ["Una colina suave", "Una onda", "Elevada entera", "Una meseta", "Arriba y abajo"],
    shapes: "Forma del arrastre", shapeNames: ["Meseta", "Colina", "Triángulo", "Curva entera"], width: "Anchura",
    samples: n => n + " muestras",
    close: "Cerrar", helpTitle: "Ayuda",
    flat: "La curva es plana: f vale 0 en todo el intervalo.",
    raised: "elevada", lowered: "hundida", from: "de x = ", to: " a x = ", blocks: "La curva está ",
    more: n => " y " + n + " tramos más", and: "; ",
    meanIs: "Valor medio ",
    integralIs: (a, b, v, m) => "∫ de a = " + a + " a b = " + b + " de f(x) dx = " + v + ", así que el valor medio es " + m + ".",
    pointsAre: (list, more, n) => "f(c) = valor medio en c ≈ " + list + (more ? " y " + more + " más" : "") +
                                  " (" + (n === 1 ? "1 punto" : n + " puntos") + ").",
    stretchesAre: list => "f es igual a su valor medio en todo " + list + ".",
    areasEqual: v => "Área por encima del valor medio = área por debajo = " + v + ".",
    areasBoth: (x, y) => "Área por encima del valor medio " + x + ", área por debajo " + y + ".",
    listSep: "; ", lastSep: " y ",
    sample: (k, x, f) => "muestra " + k + ": x = " + x + ", f = " + f,
    copied: "Enlace copiado.", notCopied: "El navegador no permitió usar el portapapeles; copie la dirección de la barra.",
    linkTooLong: "Esta curva es demasiado larga para un enlace (más de 2 MiB): no hay enlace que copiar. Guarde una imagen en su lugar.",
    badLink: "El enlace no se pudo leer; la curva de la pantalla se queda.",
    badLinkFlat: "El enlace no se pudo leer; la curva empieza plana. La barra de direcciones guarda el enlace, para corregirlo.",
    tooLong: "La curva es demasiado larga para un enlace; la barra de direcciones guarda la anterior.",
    addressRefused: "El navegador no aceptó la curva en la barra de direcciones; se vuelve a intentar. Hasta entonces, recargar pierde los últimos cambios.",
    pictureFailed: "No se pudo crear o guardar la imagen.",
    pictureInFrame: "Si no empezó la descarga, la página que contiene a esta bloquea las descargas: abra Brisqual en una pestaña propia para guardar la imagen.",
    picture: "brisqual.png",
    // Guardar el trabajo.
    onlyCopyKeeps: copy => "En este marco la página no puede guardar su trabajo: al recargar la página que la contiene, se empieza de nuevo. Solo \"" + copy + "\" guarda el trabajo.",
    pictureBlocked: "Si no empezó la descarga de la imagen, el navegador bloquea las descargas aquí: permítalas para esta página o imprima la página.",
    // Explorar de oído: la muestra frente a la media, las c, los saltos de las teclas y la respuesta breve.
    against: (d, where) => where === 0 ? "sobre la media" : d + (where > 0 ? " por encima de la media" : " por debajo de la media"),
    atC: name => ", en " + name, outside: ", fuera de a a b",
    noC: "Ninguna c entre a y b.",
    changed: (up, x, d, n) => "Curva " + (up ? "subida" : "bajada") + " en x = " + x + " en " + d + ", " + n + " muestras de ancho.",
    short: (m, list, n, stretch, unchanged) => "Valor medio " + m + (unchanged ? ", sin cambios. " : ". ") + (n === 0 ? (stretch ? "f es igual a la media en un tramo." : "Ninguna c.")
        : (n === 1 ? "c en " : n + " puntos c, en ") + list + "."),
    summary: (a, b, v, m) => "La integral de f de " + a + " a " + b + " es " + v + "; dividida entre b menos a, el valor medio es " + m + ".",
    legendRing: "anillo blanco: cada c, donde f corta su valor medio", legendBand: "banda blanca: donde f coincide con su valor medio",
    legendBox: "discontinuo: el rectángulo de altura el valor medio en [a, b]",
    heightLabel: "Altura en la muestra", heightAt: (f, x) => "f = " + f + " en x = " + x,
    languageSet: "Español.",
    listenCue: "Escuchar: la altura de la curva como tono, un tono fijo en el valor medio, un clic en cada c.",
    helpText: `<p><b>El teorema.</b> Si f es continua en [a, b], hay un punto c donde f(c) es igual a su valor medio, la integral de f de a a b dividida por b − a. En la gráfica: la línea verde está a la altura del valor medio; el área de la curva roja por encima de ella iguala el área por debajo, y la curva roja la corta o la toca al menos una vez.</p>
<p><b>Qué muestra la gráfica.</b> En [a, b], que fijan las asas a y b bajo la gráfica: la línea verde a la altura del valor medio, en el eje de la curva roja; cada c donde la curva roja la corta, con un anillo, una línea punteada hasta el eje x y su nombre c₁, c₂, …; una banda blanca donde la curva está sobre el valor medio a lo largo de un tramo. El área por encima de la línea verde es azul y rayada, la de debajo rosa y punteada, y las palabras dan su valor: son iguales. «Rectángulo de altura el valor medio» muestra el rectángulo sobre [a, b] cuya área es la integral. La curva amarilla es la integral desde a, con sus valores a la derecha. La línea naranja une sus extremos, y en cada c la tangente naranja discontinua es paralela a ella: el teorema del valor medio para derivadas, aplicado a la integral, dice lo mismo.</p>
<p><b>Qué puede hacer.</b> Arrastre la curva roja: se mueven con ella las muestras marcadas bajo el puntero. Elija cómo: una meseta, una colina suave, un triángulo o la curva entera, y con qué anchura. Deshaga y rehaga arrastres enteros, vuelva a la curva plana, o empiece con una curva preparada. La dirección de la página guarda la curva: recárguela, márquela o compártala con «Copiar enlace».</p>
<p><b>Escúchela.</b> «Escuchar» toca la curva en unos segundos, su altura como tono, frente a un tono fijo en el valor medio, con un clic en cada punto c donde se encuentran. «Tono al mover» hace sonar la muestra elegida al moverla con el teclado.</p>
<p><b>Con el teclado</b> (sobre la gráfica):</p>
<table><tr><th>← →</th><td>muestra anterior o siguiente (con Mayús: diez)</td></tr>
<tr><th>Inicio, Fin</th><td>primera o última muestra</td></tr>
<tr><th>↑ ↓</th><td>sube o baja el tramo un paso (con Mayús, o RePág y AvPág: diez pasos)</td></tr>
<tr><th>a, b: ← →</th><td>sobre un asa: mueve ese extremo una muestra (con Mayús: diez); Inicio, Fin: al extremo de la curva</td></tr>
<tr><th>C, Mayús+C</th><td>siguiente o anterior punto c</td></tr>
<tr><th>A, B</th><td>a la muestra a o b</td></tr>
<tr><th>H, L</th><td>al punto más alto o más bajo de la curva</td></tr>
<tr><th>T</th><td>dice el teorema: la integral, el valor medio y las c</td></tr>
<tr><th>Ctrl+Z, Ctrl+Y</th><td>deshacer, rehacer</td></tr>
<tr><th>Esc</th><td>cierra esta ayuda</td></tr></table>`,
    // The instructions' fold and the projector's mode.
    howTo: "Cómo se usa",
    present: "Presentación",
    // Lecciones: predecir y comprobar, retos, y el panel del docente.
    hidden: "Los números del teorema están ocultos.",
    legendGuess: "azul claro, discontinua: su predicción y sus c",
    modeNames: ["Sin lección", "Predecir el valor medio", "Reto"],
    predictTask: "Antes de ver el teorema: arrastre el gráfico arriba o abajo para poner la línea discontinua donde crea que está el valor medio en [a, b], y toque la curva donde crea que está cada c (en el gráfico: ↑ ↓ mueven la línea, Espacio marca una c). Luego, Comprobar.",
    guessIs: g => ", su predicción " + g, yourC: ", su c",
    guessLabel: "Su predicción del valor medio", noGuess: "sin predicción", check: "Comprobar",
    guessFirst: "Ponga primero la línea o marque una c.", listenGuess: "Escuchar: su predicción y luego el valor medio", another: "Otra curva",
    yourMean: (g, m) => "Su valor medio " + g + "; el valor medio es " + m + ".",
    meanJudged: ["¡Correcto!",
                 "Eso es el promedio de f(a) y f(b): el valor medio pondera todos los puntos de [a, b], no solo los extremos.",
                 "Eso es el promedio del valor más alto y el más bajo: el valor medio pondera cuánto tiempo f está a cada altura.",
                 "Eso es f en el centro de [a, b]: f vale su valor medio en algún c, que no tiene por qué ser el centro.",
                 "Eso es la pendiente de la secante, (f(b) − f(a)) / (b − a), del teorema de la derivada: el valor medio es la integral dividida entre b − a.",
                 ""],
    csJudged: (right, middle, other, n) => "Sus c: " + right + " correctas" + (middle ? "; " + middle + " en el centro de [a, b], donde c no tiene por qué estar" : "") +
                                            (other ? "; " + other + " donde f no vale su valor medio" : "") + ". Hay " + (n === 1 ? "1 c." : n + " c."),
    questions: ["¿Por qué la línea verde equilibra las dos áreas?", "¿Qué usa el valor medio que el promedio de f(a) y f(b) deja fuera?",
                "¿Por qué el valor más alto y el más bajo no bastan para dar el valor medio?", "¿Por qué c no tiene por qué estar en el centro de [a, b]?",
                "¿En qué se diferencia la pendiente de la secante del valor medio de f?"],
    tasks: ["Haga que el valor medio en [a, b] sea 0,50, con dos decimales.", "Haga exactamente tres puntos c.", "Haga el valor medio 0 sin una curva plana.",
            "Ponga una c en el primer tercio de [a, b].", "Haga que las áreas por encima y por debajo del valor medio sean al menos 1 cada una."],
    taskState: ["Aún no se cumple.", "¡Reto cumplido!"],
    shareLesson: "Compartir lección", modeLabel: "Lección", showLabel: "Se muestra", taskLabel: "Reto", copyLesson: "Copiar enlace de la lección",
    lessonCopied: "Enlace de la lección copiado: abre esta curva, este [a, b] y estos ajustes.",
    showNames: ["el valor medio", "las c", "las áreas", "la integral y su secante", "los números"]
};
