// The one friend the plugin grants to tests: its private state and routines, reached directly.
#pragma once

#include "plugin/ostrikgplugin.h"

/*!
 * Opens up one plugin object for a test. The plain members come back by reference, so a
 * test can read them and also set up a case directly; the members the plugin holds weakly
 * (layer, view, scene) are read and set as plain pointers. The routines are called as they
 * are, without the timers or host calls that normally lead to them. The probe owns nothing
 * and must not outlive the plugin.
 */
class PluginProbe
{
public:
    explicit PluginProbe(OstrikgPlugin *plugin) : p(plugin) {}
    explicit PluginProbe(OstrikgPlugin &plugin) : p(&plugin) {}

    // State.
    QMap<QString, Ostrikga::Networkg *> &networks() const { return p->networks; }
    QMap<int, LightEntry *> &lights() const { return p->lights; }
    QList<QGraphicsItem *> &blinkItems() const { return p->blinkItems; }
    int &pulseTimerId() const { return p->pulseTimerId; }
    int &checkTimerId() const { return p->checkTimerId; }
    int &blinkTimerId() const { return p->blinkTimerId; }
    QElapsedTimer &moveClock() const { return p->moveClock; }
    QElapsedTimer &blinkClock() const { return p->blinkClock; }
    bool &blinkOn() const { return p->blinkOn; }
    bool &processingActive() const { return p->processingActive; }
    // The master switch alone, without the switching that setAllowProcessTlEvents() does.
    bool &allowProcessTlEvents() const { return p->allowProcessTlEvents; }
    int &zoom() const { return p->zoom; }
    int &minZoom() const { return p->minZoom; }
    QStringList &visibleLayers() const { return p->visibleLayers; }
    QString &sectionTitle() const { return p->sectionTitle; }

    QGraphicsObject *layer() const { return p->layer; }
    void setLayer(QGraphicsObject *layer) const { p->layer = layer; }
    QGraphicsView *view() const { return p->view; }
    void setView(QGraphicsView *view) const { p->view = view; }
    QGraphicsScene *mapScene() const { return p->mapScene; }
    void setMapScene(QGraphicsScene *scene) const { p->mapScene = scene; }

    // Derived from the state.
    LightEntry *entry(int controllerId) const { return p->lights.value(controllerId, nullptr); }
    int lightCount() const { return p->lights.size(); }
    //! The network the controller's entry was bound for, or null without an entry.
    QObject *lightNetwork(int controllerId) const;
    int pulseCount() const { return p->pulses.size(); }
    QList<QGraphicsItem *> pulsedItems() const { return p->pulses.keys(); }
    bool checkScheduled() const { return p->moveClock.isValid(); }
    void scheduleCheck() const { p->moveClock.start(); }
    void forgetScheduledCheck() const { p->moveClock.invalidate(); }
    //! True when the plugin holds nothing: no network, layer, view, entry, pulse, blink or timer.
    bool empty() const;

    // Routines.
    void bind(Ostrikga::Networkg *net, QObject *project, Ostrikga::Layer *markers) const
    {
        p->bindControllers(net, project, markers);
    }
    void check() const { p->checkVisibleGranules(); }
    void setProcessing(LightEntry *e, bool on) const { p->setLightProcessing(e, on); }
    void sync(LightEntry *e, bool online) const { p->syncLightState(e, online); }
    void apply(LightEntry *e, const QVariant &data) const { p->applyGroupStateData(e, data); }
    void show(GroupItem *g, LightEntry *e, int state) const { p->showGroupState(g, e, state); }
    void setBlinking(QGraphicsItem *item, bool on) const { p->setItemBlinking(item, on); }
    void blinkTick() const { p->blinkTick(); }
    void checkTick() const { p->checkTick(); }
    //! Delivers a timer event for \a timerId, as Qt does when a timer fires.
    void tick(int timerId) const;
    //! Takes an entry away as unloading does: switched off, then destroyed.
    void dropEntry(int controllerId) const;
    //! Removes every entry (tests that bind without loadOstrik clean up with it).
    void dropAll() const;

private:
    OstrikgPlugin *p;
};
